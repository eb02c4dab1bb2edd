#include "app/schedule.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

// Runs `minutes` ticks from the start-up state (countdown 0) and gives the ticks, counted from 1,
// that started a round; busyTicks find the busy flag set. The start-up round and manual rounds
// never touch the countdown, so they have no place here.
// A round started at a tick of `ended` ends so instead of completing.
std::vector<int> roundsAt(int interval, int minutes, std::vector<int> busyTicks = {},
                          std::vector<int> offlineTicks = {},
                          std::vector<std::pair<int, RoundOutcome>> ended = {}) {
    int countdown = 0;
    std::vector<int> rounds;
    for (int tick = 1; tick <= minutes; tick++) {
        int busy = 0, online = 1;
        for (int held : busyTicks)
            busy |= held == tick;
        for (int offline : offlineTicks)
            online &= offline != tick;
        RoundOutcome outcome = kRoundCompleted;
        for (const auto &end : ended)
            outcome = end.first == tick ? end.second : outcome;
        if (countdownTick(&countdown, busy) && roundRunsNow(0, online) &&
            reloadsCountdown(outcome)) {
            rounds.push_back(tick);
            countdown = interval;
        }
    }
    return rounds;
}

struct Case {
    const char *what;
    int interval, minutes;
    std::vector<int> busyTicks;
    std::vector<int> rounds;
    std::vector<int> offlineTicks = {};
    std::vector<std::pair<int, RoundOutcome>> ended = {};
};

const Case kCases[] = {
    {"the first tick checks, then every N-th", 10, 31, {}, {1, 11, 21, 31}},
    {"an interval of 1 checks every minute", 1, 4, {}, {1, 2, 3, 4}},
    {"an interval below 1 checks every minute", 0, 3, {}, {1, 2, 3}},
    {"a negative interval checks every minute", -5, 3, {}, {1, 2, 3}},
    {"the lowest interval of a damaged file checks every minute", INT_MIN, 3, {}, {1, 2, 3}},
    {"the highest one checks once and then waits", INT_MAX, 3, {}, {1}},
    {"busy ticks still count down; the first free one checks", 3, 10, {4, 5, 6}, {1, 7, 10}},
    {"a busy tick before the due one changes nothing", 3, 7, {2}, {1, 4, 7}},
    {"the first tick waits for the busy flag", 5, 3, {1, 2}, {3}},
    {"a start offline: the held start-up round and the first tick's are one",
     5,
     7,
     {},
     {3},
     {1, 2}},
    {"offline when due: every tick asks, the first online one checks", 3, 9, {}, {1, 6, 9}, {4, 5}},
    {"offline while not due changes nothing", 3, 7, {}, {1, 4, 7}, {2, 3}},
    {"offline between accounts", 3, 9, {}, {1, 6, 9}, {}, {{4, kRoundHeld}, {5, kRoundHeld}}},
    {"cut by sleep", 3, 8, {}, {1, 5, 8}, {}, {{4, kRoundCut}}},
};

TEST(Schedule, ManualRoundsRunAlwaysAutomaticOnesOnlyOnline) {
    EXPECT_TRUE(roundRunsNow(1, 1) && roundRunsNow(1, 0) && roundRunsNow(0, 1));
    EXPECT_FALSE(roundRunsNow(0, 0));
}

TEST(Schedule, StartsRoundsAtTheExpectedTicks) {
    for (const Case &c : kCases)
        EXPECT_EQ(roundsAt(c.interval, c.minutes, c.busyTicks, c.offlineTicks, c.ended), c.rounds)
            << c.what;
}

TEST(Schedule, ACountdownHeldBackForeverStopsAtItsFloor) {
    int countdown = INT_MIN + 1;
    EXPECT_EQ(countdownTick(&countdown, 1), 0);
    EXPECT_EQ(countdownTick(&countdown, 1), 0);
    EXPECT_EQ(countdown, INT_MIN);
    EXPECT_EQ(countdownTick(&countdown, 0), 1);
}

// Rounds {outcome, manual, lines, new mail, user free, given} and ticks {kTick, free, given}.
const int kTick = -1, kAll = kShowWindow | kPlaySound;
const std::vector<std::vector<int>> kAnnouncements[] = {
    {{kRoundCompleted, 0, 1, 1, 1, kAll}, {kRoundCompleted, 0, 1, 0, 1, kShowWindow}},
    {{kRoundCompleted, 0, 1, 1, 0, 0}, {kTick, 0, 0}, {kTick, 1, kAll}, {kTick, 1, 0}},
    {{kRoundCompleted, 0, 1, 1, 0, 0}, {kRoundCompleted, 0, 0, 0, 0, 0}, {kTick, 1, kPlaySound}},
    {{kRoundCompleted, 0, 1, 1, 0, 0}, {kRoundCompleted, 1, 0, 0, 0, kAll}},
    {{kRoundHeld, 0, 0, 1, 1, 0}, {kTick, 1, 0}, {kRoundCompleted, 0, 0, 0, 1, kPlaySound}},
};

TEST(Schedule, ShowsAndPlaysWhenTheUserMayBeDisturbedAndOwesWhatWasHeldBack) {
    for (const auto &steps : kAnnouncements) {
        Owed owed = {};
        for (const auto &s : steps)
            EXPECT_EQ(s[0] == kTick
                          ? announceOwed(s[1], &owed)
                          : announceRound(RoundOutcome(s[0]), s[1], s[2], s[3], s[4], &owed),
                      s.back())
                << &steps - kAnnouncements << ", step " << &s - steps.data();
    }
}

TEST(Schedule, TheUserMayBeDisturbedUnlessAwayBusyOrBehindAFullScreenWindow) {
    for (int state = 0; state <= 7; state++) {
        int quiet = state >= 1 && state <= 4; // away, busy, full-screen Direct3D, presenting
        EXPECT_EQ(userMayBeDisturbed(state, 0, 0), !quiet) << state;
        EXPECT_EQ(userMayBeDisturbed(state, 1, 1), !quiet) << state << ", the desktop in front";
        EXPECT_EQ(userMayBeDisturbed(state, 1, 0), 0) << state << ", a full-screen window";
    }
}

} // namespace
