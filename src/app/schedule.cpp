// The countdown of the check timer, and when a round's result is shown and announced.
#include "app/schedule.h"

#include <climits>

int countdownTick(int *countdown, int busy) {
    if (*countdown > INT_MIN)
        --*countdown;
    return *countdown < 1 && !busy;
}

int roundRunsNow(int manual, int online) {
    return manual || online;
}

int reloadsCountdown(RoundOutcome outcome) {
    return outcome != kRoundHeld && outcome != kRoundCut;
}

int announceRound(RoundOutcome outcome, int manual, int hasLines, int anyNew, int mayDisturb,
                  Owed *owed) {
    if (outcome != kRoundCompleted) {
        owed->news |= anyNew;
        return 0;
    }
    owed->window = hasLines || manual;
    owed->sound |= anyNew || owed->news;
    owed->news = 0;
    return announceOwed(manual || mayDisturb, owed);
}

int announceOwed(int mayDisturb, Owed *owed) {
    if (!mayDisturb)
        return 0;
    int given = (owed->window ? kShowWindow : 0) | (owed->sound ? kPlaySound : 0);
    owed->window = owed->sound = 0;
    return given;
}

int userMayBeDisturbed(int shellState, int foregroundCoversMonitor, int foregroundExcepted) {
    if (shellState >= kShellNotPresent && shellState <= kShellPresentation)
        return 0;
    return !foregroundCoversMonitor || foregroundExcepted;
}
