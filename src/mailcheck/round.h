// A check round: every account once, in slot order, and what the queries found. Showing it is
// the caller's.
#pragma once

#include "mailcheck/mailcheck.h"
#include "mailcheck/result_text.h"

#include <windows.h>

// Queries every configured account into *result. An automatic round hands `isOnline` to its
// queries and asks it before each account: offline, the rest of the round is held (a manual round
// passes NULL). The round stops before the next account once *stop is not 0 (the program is
// ending). A round asked for while one is already running, paused in one of its message boxes or
// network waits, is turned away. What a held or cut round found of new mail is in result->fresh.
RoundOutcome checkAllAccounts(HWND owner, RoundResult *result, OnlineProbe isOnline,
                              const int *stop);

// Cuts a running round short (the computer goes to sleep): its session ends at once without a
// message and no further account is queried.
void cutRound();

// Forgets what the queries of `slot` have seen: the account there was added, edited or deleted.
void forgetAccount(int slot);
