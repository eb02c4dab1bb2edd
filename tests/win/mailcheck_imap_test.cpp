// The IMAP query against a scripted server on loopback (port 110), for the faults a real server
// does not make, and against Dovecot's IMAP beside its POP3 (port 143) and with TLS only on
// localhost:993, started by the test fixtures, whose mailboxes hold seen and unseen mail. Every
// account has the APOP flag set, which IMAP ignores.
#include "support/addresses.h"
#include "support/mail_session.h"
#include "support/windows_support.h"

#include <string>
#include <vector>

namespace {

const char kName[] = "会社";
const std::string kConnectText = "' 会社 ' のソケットに接続できませんでした。";
const std::string kPassText = "' 会社 ' のUSER名又はパスワードが正しくありません。";
const std::string kStatText = "' 会社 ' のメール件数を取得できませんでした。";

const char kGreeting[] = "* OK [CAPABILITY IMAP4rev1 AUTH=PLAIN] scripted server ready\r\n";
const std::string kLogin = "v1 LOGIN \"taro\" \"secret\"\r\n";
const std::string kStatus = "v2 STATUS INBOX (UNSEEN UIDNEXT UIDVALIDITY)\r\n";
const std::string kLogout = "v3 LOGOUT\r\n";

struct Case {
    const char *what;
    std::vector<ScriptStep> script;
    const char *password;
    int count;
    std::string box; // "" for none
    std::string sent;
};

class ImapSession : public MailSession {
  protected:
    ImapSession() : MailSession(1500) {}
};

// A session that logs in and then gets `statusReply` to its STATUS.
std::vector<ScriptStep> sessionWithStatus(const std::string &statusReply) {
    return {sendLine(kGreeting), readLine(), sendLine("v1 OK logged in\r\n"), readLine(),
            sendLine(statusReply)};
}

} // namespace

TEST_F(ImapSession, ScriptedServerGivesTheCountOrOneMessageAndLogout) {
    const Case cases[] = {
        {"every reply a byte at a time",
         {sendSlowly(kGreeting, 2), readLine(), sendSlowly("v1 OK logged in\r\n", 2), readLine(),
          sendSlowly("* STATUS {5}\r\nINBOX (UNSEEN 12)\r\nv2 OK done\r\n", 2)},
         "secret",
         12,
         "",
         kLogin + kStatus + kLogout},
        {"greeting not OK", {sendLine("* NO too busy\r\n")}, "secret", 0, kConnectText, kLogout},
        {"greeting BYE",
         {sendLine("* BYE going away\r\n"), closeConnection()},
         "secret",
         0,
         kConnectText,
         kLogout},
        {"PREAUTH skips the login",
         {sendLine("* PREAUTH welcome\r\n"), readLine(),
          sendLine("* STATUS inbox (UNSEEN 2)\r\nv2 OK done\r\n")},
         "secret",
         2,
         "",
         kStatus + kLogout},
        {"LOGINDISABLED in the greeting",
         {sendLine("* OK [CAPABILITY IMAP4rev1 STARTTLS LOGINDISABLED] ready\r\n")},
         "secret",
         0,
         kPassText,
         kLogout},
        {"LOGINDISABLED in the capabilities asked for",
         {sendLine("* OK ready\r\n"), readLine(),
          sendLine("* CAPABILITY IMAP4rev1 LOGINDISABLED\r\nv0 OK done\r\n")},
         "secret",
         0,
         kPassText,
         "v0 CAPABILITY\r\n" + kLogout},
        // A LOGOUT sent while a literal is announced would be taken as its bytes.
        {"LOGINDISABLED before the password's continuation",
         {sendLine(kGreeting), readLine(),
          sendLine("* CAPABILITY IMAP4rev1 LOGINDISABLED\r\n+ go ahead\r\n")},
         "ﾊﾟｽ",
         0,
         kPassText,
         "v1 LOGIN \"taro\" {3}\r\n"},
        {"status that never comes", sessionWithStatus("v2 OK done\r\n"), "secret", 0, kStatText,
         kLogin + kStatus + kLogout},
        {"no tagged reply to the status in time",
         sessionWithStatus("* STATUS INBOX (UNSEEN 4)\r\n"), "secret", 0, kStatText,
         kLogin + kStatus + kLogout},
    };
    const std::string server = "imap://" + std::string(kImapScripted) + ":110";
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Outcome outcome =
            check({kName, server.c_str(), "taro", c.password, 1}, kImapScripted, c.script);
        expectResult(outcome, c.count, c.box);
        EXPECT_EQ(outcome.server.received, c.sent);
        EXPECT_TRUE(outcome.server.clientClosed);
    }
}

// When the timer's message was first handled, before the failure's box: a flood ends at the
// bound of the command's responses, well within the deadline, and messages are handled meanwhile.
static DWORD g_handledAt;
static void CALLBACK noteHandled(HWND, UINT, UINT_PTR, DWORD) {
    if (!g_handledAt && recordedBoxes().empty())
        g_handledAt = GetTickCount();
}

TEST_F(ImapSession, UntaggedFloodAfterStatusFailsInTimeWhileMessagesAreHandled) {
    g_handledAt = 0;
    UINT_PTR timer = SetTimer(NULL, 0, USER_TIMER_MINIMUM, noteHandled);
    DWORD start = GetTickCount();
    const std::string server = "imap://" + std::string(kImapScripted) + ":110";
    Outcome outcome = check({kName, server.c_str()}, kImapScripted,
                            {sendLine(kGreeting), readLine(), sendLine("v1 OK logged in\r\n"),
                             readLine(), flood("* 1 EXISTS\r\n")});
    KillTimer(NULL, timer);
    expectResult(outcome, 0, kStatText);
    EXPECT_LT(outcome.boxes.at(0).askedAt - start, 1500u);
    ASSERT_NE(g_handledAt, 0u);
    EXPECT_LE(g_handledAt - start, 200u);
}

TEST_F(ImapSession, DovecotCountsTheUnseenMailPlainAndOverTlsAndItsUidNextTellsWhatIsNew) {
    ASSERT_TRUE(trustCertificate(VEMO_TEST_CA));
    const std::string imap = "imap://" + std::string(kDovecot);
    const std::string imap143 = "IMAP://" + std::string(kDovecot) + ":143";
    struct {
        const char *server, *user, *password;
        int count;
        std::string box;
    } cases[] = {
        {imap.c_str(), "alice", "wonderland", 2, ""}, // three messages, one seen
        {imap143.c_str(), "bob", "builder", 0, ""},
        {"imaps://localhost", "alice", "wonderland", 2, ""},
        {imap.c_str(), "j\xc3\xbcrgen",
         "gr\xc3\xbc\xc3\x9f"
         "e",
         2, ""},                                   // two literals
        {imap.c_str(), "carol", "a\"b\\c", 1, ""}, // escaped
        {"imaps://localhost", "alice", "looking-glass", 0, kPassText},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.server) + " " + c.user);
        MailboxMemory seen = {}; // a first check: what waits unseen is new
        memory = &seen;
        Outcome outcome = check({kName, c.server, c.user, c.password, 1});
        expectResult(outcome, c.count, c.box);
        EXPECT_EQ(outcome.fresh, c.count > 0);
    }
}
