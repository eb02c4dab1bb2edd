// A check round: every account once, in slot order, then the result in the notification window.
#pragma once

#include "mailcheck/result_text.h"

#include <windows.h>

// What the notification window shows.
extern char g_resultText[kResultSize];

// Queries every configured account and shows the accounts with mail. A manual round (1, a tray
// click) also says when no account is configured or no mail waits. A round asked for while one is
// already running, paused in one of its message boxes or network waits, is turned away. Returns 1
// when every account was queried, with what they gave in *result; 0 when the round was turned
// away, found no account or was cut short by the shutdown.
int checkAllAccounts(HWND owner, int manual, RoundResult *result);
