// When the one-minute check timer starts an automatic round, and whether a round runs now.
#pragma once

// One tick: a minute less on the countdown (it keeps falling while rounds are held back). Returns
// 1 when a round is due now, that is when the countdown is below 1 and the busy flag is clear; the
// caller then runs the round and reloads the countdown from the interval.
int countdownTick(int *countdown, int busy);

// Whether a round that is asked for runs now: a manual one always, so that a user who asks is
// answered whatever the network; an automatic one (at start-up or from a tick) only while the
// computer is online. Held, it leaves the countdown below 1, so that every tick asks again.
int roundRunsNow(int manual, int online);
