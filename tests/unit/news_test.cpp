// What is new in a mailbox from one query to the next: the POP3 ids, the count alone, the IMAP
// inbox's UIDNEXT and UIDVALIDITY, the first query and a forgotten account.
#include "mailcheck/news.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// What one query saw, or the account being forgotten.
struct Seen {
    enum Kind { Ids, Count, Imap, Forget } kind;
    std::vector<std::string> ids = {};
    int count = 0; // Count: the count; Imap: UNSEEN
    uint32_t next = 0, validity = 0;
};

// The query's own steps: the last id first, the whole list only when asked for.
int learn(MailboxMemory *memory, const Seen &seen) {
    switch (seen.kind) {
    case Seen::Ids: {
        const std::string &last = seen.ids.back();
        uint64_t lastId = idHash(last.data(), last.size());
        if (!needsIdList(memory, static_cast<int>(seen.ids.size()), lastId))
            return 0;
        uint64_t *ids = newIdBlock(seen.ids.size());
        for (size_t i = 0; i < seen.ids.size(); i++)
            ids[i] = idHash(seen.ids[i].data(), seen.ids[i].size());
        return takeIdList(memory, ids, seen.ids.size(), lastId);
    }
    case Seen::Count:
        return takeCount(memory, seen.count);
    case Seen::Imap:
        return takeImapStatus(memory, seen.count, seen.next, seen.validity);
    default:
        forgetMailbox(memory);
        return 0;
    }
}

Seen ids(std::vector<std::string> list) {
    return {Seen::Ids, std::move(list)};
}
Seen count(int n) {
    return {Seen::Count, {}, n};
}
Seen imap(int unseen, uint32_t next, uint32_t validity) {
    return {Seen::Imap, {}, unseen, next, validity};
}

} // namespace

TEST(News, NewMailIsMailNotSeenByAnEarlierQuery) {
    std::vector<std::string> large;
    for (int i = 0; i < 100000; i++)
        large.push_back("id" + std::to_string(i));
    std::vector<std::string> larger = large;
    larger.push_back("arrived");
    struct Case {
        const char *what;
        std::vector<Seen> queries;
        int fresh; // what the last query found
    } cases[] = {
        {"first query with mail", {ids({"a", "b"})}, 1},
        {"first query of an empty mailbox", {count(0)}, 0},
        {"arrival", {ids({"a", "b"}), ids({"a", "b", "c"})}, 1},
        {"nothing changed", {ids({"a", "b"}), ids({"a", "b"})}, 0},
        {"delete plus arrival at the same count", {ids({"a", "b"}), ids({"b", "c"})}, 1},
        {"the newest deleted", {ids({"a", "b", "c"}), ids({"a", "b"})}, 0},
        {"the oldest deleted", {ids({"a", "b"}), ids({"b"})}, 0},
        {"arrival after the mailbox was emptied", {ids({"a"}), count(0), ids({"a"})}, 1},
        {"arrival in a mailbox of 100000", {ids(large), ids(larger)}, 1},
        {"UIDL refused, count rose", {count(2), count(3)}, 1},
        {"UIDL refused, count fell", {count(3), count(2)}, 0},
        {"UIDL refused, count the same", {count(3), count(3)}, 0},
        {"IMAP first query with unseen mail", {imap(2, 10, 1)}, 1},
        {"IMAP UIDNEXT grown", {imap(2, 10, 1), imap(2, 11, 1)}, 1},
        {"IMAP UIDNEXT grown, all read", {imap(0, 10, 1), imap(0, 11, 1)}, 0},
        {"IMAP UNSEEN unchanged", {imap(2, 10, 1), imap(2, 10, 1)}, 0},
        {"IMAP UIDVALIDITY changed", {imap(2, 10, 1), imap(5, 20, 2)}, 0},
        {"IMAP after a changed UIDVALIDITY", {imap(2, 10, 1), imap(5, 20, 2), imap(5, 21, 2)}, 1},
        {"IMAP without UIDNEXT, UNSEEN rose", {imap(2, 0, 0), imap(3, 0, 0)}, 1},
        {"an account edited", {ids({"a", "b"}), {Seen::Forget}, ids({"a", "b"})}, 1},
    };
    for (const Case &c : cases) {
        MailboxMemory memory = {};
        int fresh = 0;
        for (const Seen &seen : c.queries)
            fresh = learn(&memory, seen);
        EXPECT_EQ(fresh, c.fresh) << c.what;
        forgetMailbox(&memory); // the sanitizers see a block that is not given back
    }
}
