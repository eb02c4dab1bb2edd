// A check round: every account once, in slot order, then the result in the notification window.
#pragma once

#include "mailcheck/result_text.h"

#include <windows.h>

// What the notification window shows.
extern char g_resultText[kResultSize];

enum RoundOutcome {
    kRoundCompleted, // every account queried: *result holds what they gave
    kRoundSkipped,   // turned away, or no account is configured
    kRoundCut,       // cut short by cutRound or the shutdown; nothing shown
};

// Queries every configured account and shows the accounts with mail. A manual round (1, a tray
// click) also says when no account is configured or no mail waits. A round asked for while one is
// already running, paused in one of its message boxes or network waits, is turned away.
RoundOutcome checkAllAccounts(HWND owner, int manual, RoundResult *result);

// Cuts a running round short (the computer goes to sleep): its session ends at once without a
// message, no further account is queried and the window stays as it was.
void cutRound();
