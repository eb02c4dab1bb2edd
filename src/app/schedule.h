// When the one-minute check timer starts an automatic round.
#pragma once

// One tick: a minute less on the countdown (it keeps falling while rounds are held back). Returns
// 1 when a round is due now, that is when the countdown is below 1 and the busy flag is clear; the
// caller then runs the round and reloads the countdown from the interval.
int countdownTick(int *countdown, int busy);
