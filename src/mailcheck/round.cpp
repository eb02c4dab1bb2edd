// The check round over every account, and what it found.
#include "mailcheck/round.h"

#include "settings/settings.h"

// Kept apart from the busy flag, which the settings dialog holds too: a round that waits in a
// message box or for a server must not be entered again over the same session.
static int g_roundRunning;
static int g_roundCut;
// What each slot's queries have seen this run.
static MailboxMemory g_memories[kAccountSlots];
// The slot whose query runs, and whether its account changed meanwhile: its memory is forgotten
// once the query no longer holds it.
static int g_querySlot = -1;
static int g_forgetQueried;

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
static RoundOutcome queryAccounts(HWND owner, RoundResult *result, OnlineProbe isOnline,
                                  const int *stop) {
    for (int slot = 0; slot < kAccountSlots; slot++) {
        if (*stop || g_roundCut)
            return kRoundCut;
        if (isOnline && g_settings.names[slot][0] && !isOnline())
            return kRoundHeld;
        lstrcpynA(result->names[slot], g_settings.names[slot], kNameSize);
        g_querySlot = slot;
        result->counts[slot] = checkMailbox(owner, result->names[slot], g_settings.servers[slot],
                                            g_settings.users[slot], g_settings.passwords[slot],
                                            g_settings.apop[slot], &g_memories[slot], isOnline);
        g_querySlot = -1;
        if (g_forgetQueried)
            forgetMailbox(&g_memories[slot]);
        g_forgetQueried = 0;
        result->failed[slot] = g_queryFailed;
        result->fresh[slot] = g_queryNew;
        if (g_queryOffline)
            return kRoundHeld;
    }
    return *stop || g_roundCut ? kRoundCut : kRoundCompleted;
}

RoundOutcome checkAllAccounts(HWND owner, RoundResult *result, OnlineProbe isOnline,
                              const int *stop) {
    *result = {};
    if (g_roundRunning)
        return kRoundTurnedAway;
    if (!hasAccounts())
        return kRoundNoAccounts;
    g_roundRunning = 1;
    g_roundCut = 0;
    RoundOutcome outcome = queryAccounts(owner, result, isOnline, stop);
    g_roundRunning = 0;
    return outcome;
}

void cutRound() {
    if (!g_roundRunning)
        return;
    g_roundCut = 1;
    endSession();
}

void forgetAccount(int slot) {
    if (slot == g_querySlot)
        g_forgetQueried = 1;
    else if (slot >= 0 && slot < kAccountSlots)
        forgetMailbox(&g_memories[slot]);
}
