// The check round over every account, and what it shows.
#include "mailcheck/round.h"

#include "app/app.h"
#include "mailcheck/mailcheck.h"
#include "notify/notify.h"
#include "res/version.h"
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
// box or for its server has saved the settings already, so no further account is queried. Each
// name is taken as its query starts: the settings dialog may change the slot while it waits.
static int queryAccounts(HWND owner, char (*names)[kNameSize], int *counts) {
    for (int slot = 0; slot < kAccountSlots; slot++) {
        if (g_shuttingDown)
            return 0;
        lstrcpynA(names[slot], g_settings.names[slot], kNameSize);
        counts[slot] =
            checkMailbox(owner, names[slot], g_settings.servers[slot], g_settings.users[slot],
                         g_settings.passwords[slot], g_settings.apop[slot]);
    }
    return !g_shuttingDown;
}

void checkAllAccounts(HWND owner, int manual) {
    if (g_roundRunning)
        return;
    if (!hasAccounts()) {
        if (manual)
            MessageBoxA(owner, "アカウントが登録されていません。", VEMO_NAME, MB_ICONERROR);
        return;
    }
    g_roundRunning = 1;
    int busy = g_busy;
    g_busy = 1;
    char names[kAccountSlots][kNameSize];
    int counts[kAccountSlots] = {};
    if (queryAccounts(owner, names, counts)) {
        buildResultText(g_resultText, names, counts);
        clampMsgRect();
        if (g_resultText[0]) {
            showMsgWindow();
        } else if (manual) {
            lstrcpyA(g_resultText, "未受信メールはありません。");
            showMsgWindow();
            SetForegroundWindow(g_msgWindow);
        }
    }
    // The flag as it was found, but for a manual round started while the settings dialog holds
    // it: that one clears it, so that ticks check again while the dialog stays open.
    g_busy = manual ? 0 : busy;
    g_roundRunning = 0;
}
