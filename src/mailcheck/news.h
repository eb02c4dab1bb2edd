// What is new in a mailbox: what the account's queries have seen since the program started, and
// the decision whether a query found mail that was not announced before. No network, no Windows.
#pragma once

#include <cstddef>
#include <cstdint>

// The most message ids kept for one mailbox (8 bytes each); a larger mailbox is judged by its
// count.
const size_t kMaxKeptIds = 1000000;

// What one account's queries have seen; zero-filled at start, and again when it is forgotten.
struct MailboxMemory {
    int known;        // a query has completed since the start or since the account was forgotten
    int count;        // the count it gave
    uint64_t lastId;  // POP3: the hash of the last message's unique id, 0 when not known
    uint64_t *ids;    // POP3: the sorted hashes of every message's id, on the heap, or NULL
    size_t idCount;   // how many
    uint32_t uidNext; // IMAP: UIDNEXT and UIDVALIDITY, 0 when the server gave none
    uint32_t uidValidity;
};

// Forgets all that `memory` has seen (the account was added, edited or deleted): its next query
// counts as the first, and announces whatever waits.
void forgetMailbox(MailboxMemory *memory);

// The 64-bit hash that stands for a unique id of `length` bytes.
uint64_t idHash(const char *id, size_t length);

// A POP3 mailbox of `count` messages whose last message's id has the hash `lastId`: 1 when the
// whole id list must be read to know what is new (the first query, or another last message).
// Otherwise nothing is new, and the memory takes the count.
int needsIdList(MailboxMemory *memory, int count, uint64_t lastId);

// A POP3 mailbox whose whole id list was read: `ids` (a block from newIdBlock, `idCount` hashes,
// `lastId` the last message's) replaces what the memory held, which owns it from now on. 1 when
// an id is among them that the memory did not hold, or, at the first query, when any is.
int takeIdList(MailboxMemory *memory, uint64_t *ids, size_t idCount, uint64_t lastId);

// A block for `count` hashes, NULL when there are too many or no memory is left; freeIdBlock
// gives back one that takeIdList did not take.
uint64_t *newIdBlock(size_t count);
void freeIdBlock(uint64_t *ids);

// A mailbox judged by its count alone (a POP3 server without unique ids): 1 when the count rose,
// or at the first query when it is above 0.
int takeCount(MailboxMemory *memory, int count);

// An IMAP inbox with `unseen` unseen messages and UIDNEXT and UIDVALIDITY `uidNext` and
// `uidValidity` (0: not given). 1 when UIDVALIDITY is the same, UIDNEXT grew and some mail is
// unseen; a changed UIDVALIDITY starts afresh without news; without UIDNEXT, when UNSEEN rose. At
// the first query, when any mail is unseen.
int takeImapStatus(MailboxMemory *memory, int unseen, uint32_t uidNext, uint32_t uidValidity);
