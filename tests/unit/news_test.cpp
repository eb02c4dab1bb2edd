// What is new in a mailbox from one query to the next.
#include "mailcheck/news.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

namespace {

// One query: POP3 ids ("a b c"), learnt as the query does (the last one first, the list only when
// asked for); a POP3 count alone ("#3"); IMAP's UNSEEN, UIDNEXT and UIDVALIDITY ("imap 2 10 1").
int learn(MailboxMemory *memory, const std::string &query) {
    std::istringstream words(query);
    std::string word;
    std::vector<uint64_t> ids;
    unsigned unseen, next, validity;
    if (query == "forget") {
        forgetMailbox(memory);
        return 0;
    }
    if (query[0] == '#')
        return takeCount(memory, std::stoi(query.substr(1)));
    if (words >> word && word == "imap" && words >> unseen >> next >> validity)
        return takeImapStatus(memory, static_cast<int>(unseen), next, validity);
    for (words.seekg(0); words >> word;)
        ids.push_back(idHash(word.data(), word.size()));
    if (!needsIdList(memory, static_cast<int>(ids.size()), ids.back()))
        return 0;
    uint64_t *block = newIdBlock(ids.size());
    std::copy(ids.begin(), ids.end(), block);
    return takeIdList(memory, block, ids.size(), ids.back());
}

} // namespace

TEST(News, NewMailIsMailThatNoEarlierQueryOfTheAccountSaw) {
    struct Case {
        const char *what;
        std::vector<std::string> queries;
        int fresh; // what the last one found
    } cases[] = {
        {"first query with mail", {"a b"}, 1},
        {"arrival", {"a b", "a b c"}, 1},
        {"delete plus arrival at the same count", {"a b", "b c"}, 1},
        {"the newest deleted", {"a b c", "a b"}, 0},
        {"UIDL refused, the count rose", {"#2", "#3"}, 1},
        {"IMAP first query with unseen mail", {"imap 2 10 1"}, 1},
        {"IMAP UIDNEXT grown", {"imap 2 10 1", "imap 2 11 1"}, 1},
        {"IMAP UIDNEXT grown, all read", {"imap 0 10 1", "imap 0 11 1"}, 0},
        {"IMAP UNSEEN unchanged", {"imap 2 10 1", "imap 2 10 1"}, 0},
        {"IMAP UIDVALIDITY changed", {"imap 2 10 1", "imap 5 20 2"}, 0},
        {"IMAP without UIDNEXT, UNSEEN rose", {"imap 2 0 0", "imap 3 0 0"}, 1},
        {"an account edited", {"a b", "forget", "a b"}, 1},
    };
    for (const Case &c : cases) {
        MailboxMemory memory = {};
        int fresh = 0;
        for (const std::string &query : c.queries)
            fresh = learn(&memory, query);
        EXPECT_EQ(fresh, c.fresh) << c.what;
        forgetMailbox(&memory); // the sanitizers see a block that is not given back
    }
}
