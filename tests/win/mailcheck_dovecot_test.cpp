// The POP3 query against a real POP3 server (Dovecot, started by the test fixture), directly and
// through a recording relay that shows what the client sent.
#include "mailcheck/mailcheck.h"
#include "support/addresses.h"
#include "support/mail_session.h"

#include <iostream>
#include <string>
#include <vector>

namespace {

// The fixture's accounts: alice has three messages, bob none.
const char kName[] = "自宅";
const std::string kPassText = "' 自宅 ' のUSER名又はパスワードが正しくありません。";
const std::string kApopText = "' 自宅 ' のAPOP認証に失敗しました。";

class Pop3Dovecot : public MailSession {
  protected:
    // A check through the relay, which records the client's bytes.
    Outcome checkThroughRelay(const char *user, const char *password, int apop) {
        Outcome outcome =
            check({kName, kDovecotRelay, user, password, apop}, kDovecotRelay, {relayTo(kDovecot)});
        EXPECT_TRUE(outcome.server.clientClosed);
        return outcome;
    }
};

// "APOP user <32 lowercase hex digits>\r\n"
bool isApopLine(const std::string &line, const std::string &user) {
    std::string head = "APOP " + user + " ";
    if (line.size() != head.size() + 34 || line.compare(0, head.size(), head) != 0 ||
        line.compare(line.size() - 2, 2, "\r\n") != 0)
        return false;
    for (size_t i = head.size(); i < line.size() - 2; i++)
        if (!((line[i] >= '0' && line[i] <= '9') || (line[i] >= 'a' && line[i] <= 'f')))
            return false;
    return true;
}

} // namespace

TEST_F(Pop3Dovecot, UserPassAccountCountsItsMessages) {
    expectResult(check({kName, kDovecot, "alice", "wonderland", 0}), 3);
}

TEST_F(Pop3Dovecot, UserPassEmptyMailboxCountsZero) {
    expectResult(check({kName, kDovecot, "bob", "builder", 0}), 0);
}

TEST_F(Pop3Dovecot, ApopAccountCountsItsMessages) {
    expectResult(check({kName, kDovecot, "alice", "wonderland", 1}), 3);
}

TEST_F(Pop3Dovecot, ApopEmptyMailboxCountsZero) {
    expectResult(check({kName, kDovecot, "bob", "builder", 1}), 0);
}

// The first check reads the ids: the last message's, then the whole list.
TEST_F(Pop3Dovecot, UserPassSessionAsksForTheIdsAfterStatAndSaysQuit) {
    MailboxMemory seen = {};
    memory = &seen;
    Outcome outcome = checkThroughRelay("alice", "wonderland", 0);
    expectResult(outcome, 3);
    EXPECT_EQ(outcome.fresh, 1);
    EXPECT_EQ(outcome.server.received,
              "USER alice\r\nPASS wonderland\r\nSTAT\r\nUIDL 3\r\nUIDL\r\nQUIT\r\n");
    forgetMailbox(&seen);
}

TEST_F(Pop3Dovecot, ApopSessionSaysQuitAfterStat) {
    Outcome outcome = checkThroughRelay("alice", "wonderland", 1);
    expectResult(outcome, 3);
    const std::string &sent = outcome.server.received;
    size_t end = sent.find('\n') + 1;
    EXPECT_TRUE(isApopLine(sent.substr(0, end), "alice")) << sent;
    EXPECT_EQ(sent.substr(end), "STAT\r\nQUIT\r\n");
}

TEST_F(Pop3Dovecot, WrongPasswordGivesThePassMessageAndQuit) {
    Outcome outcome = checkThroughRelay("alice", "looking-glass", 0);
    expectResult(outcome, 0, kPassText);
    EXPECT_EQ(outcome.server.received, "USER alice\r\nPASS looking-glass\r\nQUIT\r\n");
}

TEST_F(Pop3Dovecot, WrongApopPasswordGivesTheApopMessageAndQuit) {
    Outcome outcome = checkThroughRelay("alice", "looking-glass", 1);
    expectResult(outcome, 0, kApopText);
    const std::string &sent = outcome.server.received;
    size_t end = sent.find('\n') + 1;
    EXPECT_TRUE(isApopLine(sent.substr(0, end), "alice")) << sent;
    EXPECT_EQ(sent.substr(end), "QUIT\r\n");
}

TEST_F(Pop3Dovecot, SessionTimeOnLoopback) {
    const int sessions = 20;
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    for (int i = 0; i < sessions; i++)
        ASSERT_EQ(checkMailbox(owner, kName, kDovecot, "alice", "wonderland", 0, NULL, NULL), 3);
    QueryPerformanceCounter(&end);
    double ms = (end.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart / sessions;
    std::cout << "[ timing ] one USER/PASS/STAT/QUIT session: " << ms << " ms" << std::endl;
    EXPECT_LT(ms, 2000.0);
}
