// The IMAP query against a scripted server on loopback (127.0.0.35, port 110), for the faults a
// real server does not make, and against a real one: Dovecot's IMAP beside its POP3 on
// 127.0.0.21:143 and with TLS only on localhost:993, both started by the test fixtures. Every
// mailbox there holds seen and unseen messages.
#include "mailcheck/mailcheck.h"
#include "support/message_boxes.h"
#include "support/pop3_script_server.h"
#include "support/windows_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char kScripted[] = "127.0.0.35";
const char kScriptedServer[] = "imap://127.0.0.35:110";
const char kName[] = "会社";
const DWORD kShortTimeoutMs = 1500;
const DWORD kFinishMs = 15000;

const std::string kConnectText = "' 会社 ' のソケットに接続できませんでした。";
const std::string kPassText = "' 会社 ' のUSER名又はパスワードが正しくありません。";
const std::string kStatText = "' 会社 ' のメール件数を取得できませんでした。";

const char kGreeting[] = "* OK [CAPABILITY IMAP4rev1 AUTH=PLAIN] scripted server ready\r\n";
const std::string kLogin = "v1 LOGIN \"taro\" \"secret\"\r\n";
const std::string kStatus = "v2 STATUS INBOX (UNSEEN)\r\n";
const std::string kLogout = "v3 LOGOUT\r\n";

struct Outcome {
    int count;
    std::vector<RecordedBox> boxes;
    std::vector<std::string> shown;
    ScriptResult server;
    bool winsockReleased;
};

class ImapSession : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(installMessageBoxRecorder());
        owner = CreateWindowA("STATIC", "owner", WS_OVERLAPPED, 0, 0, 10, 10, NULL, NULL,
                              GetModuleHandleA(NULL), NULL);
        ASSERT_NE(owner, nullptr);
        g_replyTimeoutMs = kShortTimeoutMs;
        // The references that the security packages keep under Wine are dropped, so that those of
        // the query can be counted.
        for (int i = 0; i < 8 && WSACleanup() == 0; i++)
            ;
    }
    void TearDown() override {
        g_replyTimeoutMs = kReplyTimeoutMs;
        DestroyWindow(owner);
    }

    Outcome check(const char *server, const char *user, const char *password) {
        Outcome outcome;
        clearRecordedBoxes();
        BoxWatcher watcher;
        outcome.count = checkMailbox(owner, kName, server, user, password, 1);
        outcome.shown = watcher.stop();
        outcome.boxes = recordedBoxes();
        return outcome;
    }

    // One query of the scripted server while it plays `script`.
    Outcome run(std::vector<ScriptStep> script, const char *user, const char *password) {
        WSADATA winsock;
        EXPECT_EQ(WSAStartup(MAKEWORD(1, 1), &winsock), 0); // the server's own reference
        Outcome outcome;
        {
            ScriptedServer server(kScripted, std::move(script));
            EXPECT_TRUE(server.listening());
            outcome = check(kScriptedServer, user, password);
            outcome.server = server.finish(kFinishMs);
        }
        outcome.winsockReleased = WSACleanup() == 0 && WSACleanup() == SOCKET_ERROR;
        return outcome;
    }

    HWND owner = NULL;
};

// A session that logs in and then gets `statusReply` to its STATUS.
std::vector<ScriptStep> sessionWithStatus(const std::string &statusReply) {
    return {sendLine(kGreeting), readLine(), sendLine("v1 OK logged in\r\n"), readLine(),
            sendLine(statusReply)};
}

} // namespace

TEST_F(ImapSession, ScriptedServerGivesTheCountOrOneMessageAndLogout) {
    const char kLiteralUser[] = "太郎";
    struct Case {
        const char *what;
        std::vector<ScriptStep> script;
        const char *user, *password;
        int count;
        std::string box; // "" for none
        std::string sent;
    } cases[] = {
        {"counts", sessionWithStatus("* STATUS INBOX (UNSEEN 4)\r\nv2 OK done\r\n"), "taro",
         "secret", 4, "", kLogin + kStatus + kLogout},
        {"every reply a byte at a time",
         {sendSlowly(kGreeting, 2), readLine(), sendSlowly("v1 OK logged in\r\n", 2), readLine(),
          sendSlowly("* STATUS {5}\r\nINBOX (UNSEEN 12)\r\nv2 OK done\r\n", 2)},
         "taro",
         "secret",
         12,
         "",
         kLogin + kStatus + kLogout},
        {"untagged responses with literals before the status",
         sessionWithStatus("* 1 FETCH (BODY[] {12}\r\nv2 OK fake\r\n)\r\n* STATUS \"INBOX\" "
                           "(MESSAGES 9 UNSEEN 7)\r\nv2 OK done\r\n"),
         "taro", "secret", 7, "", kLogin + kStatus + kLogout},
        {"greeting not OK",
         {sendLine("* NO too busy\r\n")},
         "taro",
         "secret",
         0,
         kConnectText,
         kLogout},
        {"greeting BYE",
         {sendLine("* BYE going away\r\n"), closeConnection()},
         "taro",
         "secret",
         0,
         kConnectText,
         kLogout},
        {"POP3 greeting",
         {sendLine("+OK POP3 ready\r\n")},
         "taro",
         "secret",
         0,
         kConnectText,
         kLogout},
        {"PREAUTH skips the login",
         {sendLine("* PREAUTH welcome back\r\n"), readLine(),
          sendLine("* STATUS inbox (UNSEEN 2)\r\nv2 OK done\r\n")},
         "taro",
         "secret",
         2,
         "",
         kStatus + kLogout},
        {"LOGINDISABLED in the greeting",
         {sendLine("* OK [CAPABILITY IMAP4rev1 STARTTLS LOGINDISABLED] ready\r\n")},
         "taro",
         "secret",
         0,
         kPassText,
         kLogout},
        {"LOGINDISABLED in the capabilities asked for",
         {sendLine("* OK ready\r\n"), readLine(),
          sendLine("* CAPABILITY IMAP4rev1 LOGINDISABLED\r\nv0 OK done\r\n")},
         "taro",
         "secret",
         0,
         kPassText,
         "v0 CAPABILITY\r\n" + kLogout},
        {"capabilities asked for, then the login",
         {sendLine("* OK ready\r\n"), readLine(), sendLine("* CAPABILITY IMAP4rev1\r\nv0 OK\r\n"),
          readLine(), sendLine("v1 OK\r\n"), readLine(),
          sendLine("* STATUS INBOX (UNSEEN 1)\r\nv2 OK\r\n")},
         "taro",
         "secret",
         1,
         "",
         "v0 CAPABILITY\r\n" + kLogin + kStatus + kLogout},
        {"login refused",
         {sendLine(kGreeting), readLine(), sendLine("v1 NO [AUTHENTICATIONFAILED] wrong\r\n")},
         "taro",
         "secret",
         0,
         kPassText,
         kLogin + kLogout},
        {"user name as a literal",
         {sendLine(kGreeting), readLine(), sendLine("+ go ahead\r\n"), readLine(),
          sendLine("v1 OK\r\n"), readLine(), sendLine("* STATUS INBOX (UNSEEN 3)\r\nv2 OK\r\n")},
         kLiteralUser,
         "secret",
         3,
         "",
         "v1 LOGIN {4}\r\n" + std::string(kLiteralUser) + " \"secret\"\r\n" + kStatus + kLogout},
        {"LOGINDISABLED before the password's continuation",
         {sendLine(kGreeting), readLine(),
          sendLine("* CAPABILITY IMAP4rev1 LOGINDISABLED\r\n+ go ahead\r\n")},
         "taro",
         "ﾊﾟｽ",
         0,
         kPassText,
         "v1 LOGIN \"taro\" {3}\r\n" + kLogout},
        {"line break in the password",
         {sendLine(kGreeting)},
         "taro",
         "sec\r\nret",
         0,
         kPassText,
         kLogout},
        {"status that never comes", sessionWithStatus("v2 OK done\r\n"), "taro", "secret", 0,
         kStatText, kLogin + kStatus + kLogout},
        {"status refused", sessionWithStatus("v2 BAD unknown\r\n"), "taro", "secret", 0, kStatText,
         kLogin + kStatus + kLogout},
        {"no reply to the status in time", sessionWithStatus("* STATUS INBOX (UNSEEN 4)\r\n"),
         "taro", "secret", 0, kStatText, kLogin + kStatus + kLogout},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Outcome outcome = run(c.script, c.user, c.password);
        EXPECT_EQ(outcome.count, c.count);
        if (c.box.empty()) {
            EXPECT_TRUE(outcome.boxes.empty());
            EXPECT_TRUE(outcome.shown.empty());
        } else {
            expectOneErrorBox(outcome.boxes, outcome.shown, c.box, owner);
        }
        EXPECT_EQ(outcome.server.received, c.sent);
        EXPECT_TRUE(outcome.server.clientClosed);
        EXPECT_TRUE(outcome.winsockReleased);
    }
}

TEST_F(ImapSession, DovecotCountsTheUnseenMailOfTheInboxPlainAndOverTls) {
    ASSERT_TRUE(trustCertificate(VEMO_TEST_CA));
    struct Case {
        const char *server, *user, *password;
        int count;
    } cases[] = {
        {"imap://127.0.0.21", "alice", "wonderland", 2}, // three messages, one of them seen
        {"IMAP://127.0.0.21:143", "bob", "builder", 0},
        {"imaps://localhost", "alice", "wonderland", 2},
        {"imap://127.0.0.21", "j\xc3\xbcrgen",
         "gr\xc3\xbc\xc3\x9f"
         "e",
         2},                                          // two literals
        {"imap://127.0.0.21", "carol", "a\"b\\c", 1}, // escaped
    };
    for (const Case &c : cases) {
        Outcome outcome = check(c.server, c.user, c.password);
        EXPECT_EQ(outcome.count, c.count) << c.server << " " << c.user;
        EXPECT_TRUE(outcome.boxes.empty()) << c.server << " " << c.user;
    }
}

TEST_F(ImapSession, DovecotRefusesAWrongPasswordWithThePassMessage) {
    Outcome outcome = check("imaps://localhost", "alice", "looking-glass");
    EXPECT_EQ(outcome.count, 0);
    expectOneErrorBox(outcome.boxes, outcome.shown, kPassText, owner);
}
