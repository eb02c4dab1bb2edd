// When the one-minute check timer starts an automatic round, whether a round runs now, and when
// what a round found is shown and announced.
#pragma once

#include "mailcheck/result_text.h"

// One tick: a minute less on the countdown (it keeps falling while rounds are held back). Returns
// 1 when a round is due now, that is when the countdown is below 1 and the busy flag is clear; the
// caller then runs the round and reloads the countdown from the interval.
int countdownTick(int *countdown, int busy);

// Whether a round that is asked for runs now: a manual one always, so that a user who asks is
// answered whatever the network; an automatic one (at start-up or from a tick) only while the
// computer is online. Held, it leaves the countdown below 1, so that every tick asks again.
int roundRunsNow(int manual, int online);

// Whether a tick's round that ended so reloads the countdown: one held for want of a network,
// at its start or between accounts, or cut by sleep stays due, so that the next tick asks again.
int reloadsCountdown(RoundOutcome outcome);

// What is held back for the user while they may not be disturbed.
struct Owed {
    int window; // the latest completed round's result has lines to show
    int sound;  // a completed round found new mail
    int news;   // a round held or cut after a query found new mail: the next completed one tells
};

const int kShowWindow = 1;
const int kPlaySound = 2;

// After an asked-for round: what is shown and played now (kShowWindow, kPlaySound), the rest
// staying owed. A completed round shows its lines and plays when it or a held round found new
// mail; a manual one always shows at once, an automatic one only when the user may be disturbed.
int announceRound(RoundOutcome outcome, int manual, int hasLines, int anyNew, int mayDisturb,
                  Owed *owed);

// At a tick: what is owed and given now, once the user may be disturbed.
int announceOwed(int mayDisturb, Owed *owed);

// The shell's states of the user in which nothing may pop up or play.
enum ShellState {
    kShellNotPresent = 1,
    kShellBusy = 2,
    kShellFullScreenD3d = 3,
    kShellPresentation = 4,
};

// Whether the user may be disturbed: not while the shell says one of those states, nor while the
// foreground window covers its whole monitor (a video, a slide show or a game), unless that
// window is excepted (the shell's desktop and taskbar, this program's own windows).
int userMayBeDisturbed(int shellState, int foregroundCoversMonitor, int foregroundExcepted);
