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
static int g_roundCut;
// What each slot's queries have seen this run.
static MailboxMemory g_memories[kAccountSlots];

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
static int queryAccounts(HWND owner, RoundResult *result) {
    for (int slot = 0; slot < kAccountSlots; slot++) {
        if (g_shuttingDown || g_roundCut)
            return 0;
        lstrcpynA(result->names[slot], g_settings.names[slot], kNameSize);
        result->counts[slot] =
            checkMailbox(owner, result->names[slot], g_settings.servers[slot],
                         g_settings.users[slot], g_settings.passwords[slot], g_settings.apop[slot],
                         &g_memories[slot], NULL);
        result->failed[slot] = g_queryFailed;
        result->fresh[slot] = g_queryNew;
    }
    return !g_shuttingDown && !g_roundCut;
}

RoundOutcome checkAllAccounts(HWND owner, int manual, RoundResult *result) {
    if (g_roundRunning)
        return kRoundSkipped;
    if (!hasAccounts()) {
        if (manual)
            MessageBoxA(owner, "アカウントが登録されていません。", VEMO_NAME, MB_ICONERROR);
        return kRoundSkipped;
    }
    g_roundRunning = 1;
    g_roundCut = 0;
    int busy = g_busy;
    g_busy = 1;
    int completed = queryAccounts(owner, result);
    if (completed) {
        buildResultText(g_resultText, result->names, result->counts);
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
    return completed ? kRoundCompleted : kRoundCut;
}

void cutRound() {
    if (!g_roundRunning)
        return;
    g_roundCut = 1;
    endSession();
}
