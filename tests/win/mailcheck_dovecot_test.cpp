// The POP3 query against a real POP3 server (Dovecot, started by the test fixture), directly and
// through a recording relay that shows what the client sent.
#include "mailcheck/mailcheck.h"
#include "support/addresses.h"
#include "support/message_boxes.h"
#include "support/script_server.h"

#include <gtest/gtest.h>

#include <iostream>
#include <string>
#include <vector>

namespace {

const DWORD kFinishMs = 15000;

// The fixture's accounts: alice has three messages, bob none.
const char kName[] = "自宅";
const std::string kPassText = "' 自宅 ' のUSER名又はパスワードが正しくありません。";
const std::string kApopText = "' 自宅 ' のAPOP認証に失敗しました。";

struct Outcome {
    int count;
    std::vector<RecordedBox> boxes;
    std::vector<std::string> shown;
    ScriptResult relay; // what went through the relay, when it was used
};

class Pop3Dovecot : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(installMessageBoxRecorder());
        owner = CreateWindowA("STATIC", "owner", WS_OVERLAPPED, 0, 0, 10, 10, NULL, NULL,
                              GetModuleHandleA(NULL), NULL);
        ASSERT_NE(owner, nullptr);
    }
    void TearDown() override {
        DestroyWindow(owner);
    }

    Outcome check(const char *server, const char *user, const char *password, int apop) {
        Outcome outcome;
        clearRecordedBoxes();
        BoxWatcher watcher;
        outcome.count = checkMailbox(owner, kName, server, user, password, apop);
        outcome.shown = watcher.stop();
        outcome.boxes = recordedBoxes();
        return outcome;
    }

    // The same through the relay, which records the client's bytes.
    Outcome checkThroughRelay(const char *user, const char *password, int apop) {
        WSADATA winsock;
        EXPECT_EQ(WSAStartup(MAKEWORD(1, 1), &winsock), 0);
        Outcome outcome;
        {
            ScriptedServer relay(kDovecotRelay, {relayTo(kDovecot)});
            EXPECT_TRUE(relay.listening());
            outcome = check(kDovecotRelay, user, password, apop);
            outcome.relay = relay.finish(kFinishMs);
        }
        EXPECT_EQ(WSACleanup(), 0);
        EXPECT_TRUE(outcome.relay.clientClosed);
        return outcome;
    }

    void expectNoBox(const Outcome &outcome) {
        EXPECT_TRUE(outcome.boxes.empty());
        EXPECT_TRUE(outcome.shown.empty());
    }

    void expectBox(const Outcome &outcome, const std::string &text) {
        expectOneErrorBox(outcome.boxes, outcome.shown, text, owner);
    }

    HWND owner = NULL;
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
    Outcome outcome = check(kDovecot, "alice", "wonderland", 0);
    EXPECT_EQ(outcome.count, 3);
    expectNoBox(outcome);
}

TEST_F(Pop3Dovecot, UserPassEmptyMailboxCountsZero) {
    Outcome outcome = check(kDovecot, "bob", "builder", 0);
    EXPECT_EQ(outcome.count, 0);
    expectNoBox(outcome);
}

TEST_F(Pop3Dovecot, ApopAccountCountsItsMessages) {
    Outcome outcome = check(kDovecot, "alice", "wonderland", 1);
    EXPECT_EQ(outcome.count, 3);
    expectNoBox(outcome);
}

TEST_F(Pop3Dovecot, ApopEmptyMailboxCountsZero) {
    Outcome outcome = check(kDovecot, "bob", "builder", 1);
    EXPECT_EQ(outcome.count, 0);
    expectNoBox(outcome);
}

TEST_F(Pop3Dovecot, UserPassSessionSaysQuitAfterStat) {
    Outcome outcome = checkThroughRelay("alice", "wonderland", 0);
    EXPECT_EQ(outcome.count, 3);
    expectNoBox(outcome);
    EXPECT_EQ(outcome.relay.received, "USER alice\r\nPASS wonderland\r\nSTAT\r\nQUIT\r\n");
}

TEST_F(Pop3Dovecot, ApopSessionSaysQuitAfterStat) {
    Outcome outcome = checkThroughRelay("alice", "wonderland", 1);
    EXPECT_EQ(outcome.count, 3);
    expectNoBox(outcome);
    const std::string &sent = outcome.relay.received;
    size_t end = sent.find('\n') + 1;
    EXPECT_TRUE(isApopLine(sent.substr(0, end), "alice")) << sent;
    EXPECT_EQ(sent.substr(end), "STAT\r\nQUIT\r\n");
}

TEST_F(Pop3Dovecot, WrongPasswordGivesThePassMessageAndQuit) {
    Outcome outcome = checkThroughRelay("alice", "looking-glass", 0);
    EXPECT_EQ(outcome.count, 0);
    expectBox(outcome, kPassText);
    EXPECT_EQ(outcome.relay.received, "USER alice\r\nPASS looking-glass\r\nQUIT\r\n");
}

TEST_F(Pop3Dovecot, WrongApopPasswordGivesTheApopMessageAndQuit) {
    Outcome outcome = checkThroughRelay("alice", "looking-glass", 1);
    EXPECT_EQ(outcome.count, 0);
    expectBox(outcome, kApopText);
    const std::string &sent = outcome.relay.received;
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
        ASSERT_EQ(checkMailbox(owner, kName, kDovecot, "alice", "wonderland", 0), 3);
    QueryPerformanceCounter(&end);
    double ms = (end.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart / sessions;
    std::cout << "[ timing ] one USER/PASS/STAT/QUIT session: " << ms << " ms" << std::endl;
    EXPECT_LT(ms, 2000.0);
}
