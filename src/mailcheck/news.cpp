// The memory of what each account's queries have seen, and what is new.
#include "mailcheck/news.h"

#include <cstdlib>
#include <cstring>

void freeIdBlock(uint64_t *ids) {
    free(ids);
}

static void releaseIds(MailboxMemory *memory) {
    freeIdBlock(memory->ids);
    memory->ids = NULL;
    memory->idCount = 0;
}

void forgetMailbox(MailboxMemory *memory) {
    releaseIds(memory);
    memset(memory, 0, sizeof *memory);
}

// 64-bit FNV-1a: ids are short printable strings, and a collision only hides one announcement.
uint64_t idHash(const char *id, size_t length) {
    uint64_t hash = 14695981039346656037ull;
    for (size_t i = 0; i < length; i++) {
        hash ^= static_cast<unsigned char>(id[i]);
        hash *= 1099511628211ull;
    }
    return hash;
}

int needsIdList(MailboxMemory *memory, int count, uint64_t lastId) {
    if (!memory->known || !memory->ids || lastId != memory->lastId)
        return 1;
    memory->count = count;
    return 0;
}

uint64_t *newIdBlock(size_t count) {
    if (count > kMaxKeptIds)
        return NULL;
    return static_cast<uint64_t *>(malloc((count ? count : 1) * sizeof(uint64_t)));
}

static int compareIds(const void *a, const void *b) {
    uint64_t x = *static_cast<const uint64_t *>(a), y = *static_cast<const uint64_t *>(b);
    return x < y ? -1 : x > y;
}

int takeIdList(MailboxMemory *memory, uint64_t *ids, size_t idCount, uint64_t lastId) {
    // The C library's sort and search: a template's would cost the program more than they do.
    qsort(ids, idCount, sizeof *ids, compareIds);
    int fresh = 0;
    for (size_t i = 0; i < idCount && !fresh; i++)
        fresh = !memory->known || !memory->ids ||
                !bsearch(&ids[i], memory->ids, memory->idCount, sizeof *ids, compareIds);
    releaseIds(memory);
    memory->known = 1;
    memory->count = static_cast<int>(idCount);
    memory->ids = ids;
    memory->idCount = idCount;
    memory->lastId = lastId;
    return fresh;
}

int takeCount(MailboxMemory *memory, int count) {
    int fresh = memory->known ? count > memory->count : count > 0;
    releaseIds(memory);
    memory->known = 1;
    memory->count = count;
    memory->lastId = 0;
    return fresh;
}

int takeImapStatus(MailboxMemory *memory, int unseen, uint32_t uidNext, uint32_t uidValidity) {
    int fresh;
    if (!memory->known)
        fresh = unseen > 0;
    else if (uidValidity != memory->uidValidity)
        fresh = 0;
    else if (uidNext && memory->uidNext)
        fresh = uidNext > memory->uidNext && unseen > 0;
    else
        fresh = unseen > memory->count;
    memory->known = 1;
    memory->count = unseen;
    memory->uidNext = uidNext;
    memory->uidValidity = uidValidity;
    return fresh;
}
