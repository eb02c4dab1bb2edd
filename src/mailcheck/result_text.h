// What a check round found, and its text: one line per account with waiting mail, in slot order.
#pragma once

#include "settings/settings.h"

#include <cstddef>

const size_t kResultSize = 256;

// What a round found, slot by slot.
struct RoundResult {
    char names[kAccountSlots][kNameSize]; // each as its query started
    int counts[kAccountSlots];            // 0 for a free slot and for a failed query
    int failed[kAccountSlots];            // 1 where the query failed and said so in a box
    int fresh[kAccountSlots];             // 1 where the query found mail not announced before
};

// How a round that was asked for ended.
enum RoundOutcome {
    kRoundCompleted,  // every account queried: the result holds what they gave
    kRoundTurnedAway, // asked for while a round runs, paused in a box or a network wait
    kRoundNoAccounts, // no account is configured
    kRoundHeld,       // automatic, and the computer is offline, at the start or between accounts
    kRoundCut,        // cut short by the computer's sleep or the shutdown
};

// Fills `text` (kResultSize bytes, zero-filled first) with "name ： count 通\n" for every slot
// whose count is above 0. A line that does not fit whole, in its own 256-byte buffer or in what is
// left of `text`, is left out.
void buildResultText(char *text, const char names[kAccountSlots][kNameSize],
                     const int counts[kAccountSlots]);

// Appends `part` to the `*length` bytes of `text` (a buffer of `size` bytes) when it fits whole
// with the terminator; 0 when it does not, and then nothing is written.
int appendText(char *text, size_t size, size_t *length, const char *part);

// The decimal digits of `value`, written at the end of `digits`; returns where they start.
const char *decimalText(unsigned value, char (&digits)[12]);
