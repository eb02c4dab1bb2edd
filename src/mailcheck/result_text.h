// The text of a check round: one line per account with waiting mail, in slot order.
#pragma once

#include "settings/settings.h"

#include <cstddef>

const size_t kResultSize = 256;

// Fills `text` (kResultSize bytes, zero-filled first) with "name ： count 通\n" for every slot
// whose count is above 0. A line that does not fit whole, in its own 256-byte buffer or in what is
// left of `text`, is left out.
void buildResultText(char *text, const char names[kAccountSlots][kNameSize],
                     const int counts[kAccountSlots]);
