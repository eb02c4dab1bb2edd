// What is new in a mailbox: what the account's queries have seen since the program started, and
// the decision whether a query found mail that was not announced before. No network, no Windows.
#pragma once

#include <cstddef>
#include <cstdint>

// What one account's queries have seen; zero-filled at start, and again when it is forgotten.
struct MailboxMemory {
    int known; // a query has completed since the start or since the account was last forgotten
};

// Forgets all that `memory` has seen (the account was added, edited or deleted): its next query
// counts as the first.
void forgetMailbox(MailboxMemory *memory);
