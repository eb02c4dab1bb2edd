// The countdown of the check timer.
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
