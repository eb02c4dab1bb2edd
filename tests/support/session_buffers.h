// The sizes of the mail session's reply and command buffers, which src/mailcheck/mailcheck.cpp
// keeps to itself: the unit tests and fuzzers read and write through buffers of these sizes.
#pragma once

#include <cstddef>

const size_t kReplySize = 1024;
const size_t kCommandSize = 1024;
