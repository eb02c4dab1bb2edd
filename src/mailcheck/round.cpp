#include "mailcheck/round.h"

#include "app/app.h"
#include "mailcheck/mailcheck.h"
#include "notify/notify.h"
#include "settings/settings.h"

char g_resultText[kResultSize];

// Kept apart from the busy flag, which the settings dialog holds too: a round that waits in a
// message box or for a server must not be entered again over the same session.
static int g_roundRunning;

static int hasAccounts() {
    for (int slot = 0; slot < kAccountSlots; slot++) {
        if (g_settings.names[slot][0])
            return 1;
    }
    return 0;
}

// The queries, one after another; a shutdown that arrives while one of them waits in a message
// box or for its server has saved the settings already, so no further account is queried.
static int queryAccounts(HWND owner, int *counts) {
    for (int slot = 0; slot < kAccountSlots; slot++) {
        if (g_shuttingDown)
            return 0;
        counts[slot] =
            checkMailbox(owner, g_settings.names[slot], g_settings.servers[slot],
                         g_settings.users[slot], g_settings.passwords[slot], g_settings.apop[slot]);
    }
    return !g_shuttingDown;
}

void checkAllAccounts(HWND owner, int manual) {
    if (g_roundRunning)
        return;
    if (!hasAccounts()) {
        if (manual)
            MessageBoxA(owner, "アカウントが登録されていません。", "vemo", MB_ICONERROR);
        return;
    }
    g_roundRunning = 1;
    g_busy = 1;
    int counts[kAccountSlots] = {};
    if (queryAccounts(owner, counts)) {
        buildResultText(g_resultText, g_settings.names, counts);
        clampMsgRect();
        if (g_resultText[0]) {
            showMsgWindow();
        } else if (manual) {
            lstrcpyA(g_resultText, "未受信メールはありません。");
            showMsgWindow();
            SetForegroundWindow(g_msgWindow);
        }
    }
    g_busy = 0;
    g_roundRunning = 0;
}
