// The POP3 query against a scripted server on loopback: every fault a real server does not make,
// the exact message box it gives, the bytes the client sent and the end of the session.
#include "mailcheck/connection.h"
#include "mailcheck/mailcheck.h"
#include "support/addresses.h"
#include "support/mail_session.h"
#include "support/windows_support.h"

#include <climits>
#include <iostream>
#include <string>
#include <vector>

namespace {

const char kName[] = "会社";
const DWORD kShortTimeoutMs = 1500;
const DWORD kNoConnectionMs = 500; // a session that connects does so before checkMailbox returns

// The texts the user must see, written out here rather than taken from the code under test.
const std::string kConnectText = "' 会社 ' のソケットに接続できませんでした。";
const std::string kUserText = "' 会社 ' のUSER名が正しくありません。";
const std::string kPassText = "' 会社 ' のUSER名又はパスワードが正しくありません。";
const std::string kApopText = "' 会社 ' のAPOP認証に失敗しました。";
const std::string kStatText = "' 会社 ' のメール件数を取得できませんでした。";

const char kGreeting[] = "+OK scripted server ready <1.2@vemo.test>\r\n";
// MD5 of "<1.2@vemo.test>secret", worked out independently.
const char kApopLine[] = "APOP taro a09e0257e151cf3286f90b116f0a3bbe\r\n";
const char kLogin[] = "USER taro\r\nPASS secret\r\n";

const Account kAccount = {kName, kPop3Scripted};
const Account kApopAccount = {kName, kPop3Scripted, "taro", "secret", 1};

std::string fromHex(const char *hex) {
    std::string bytes;
    for (; hex[0] && hex[1]; hex += 2)
        bytes += static_cast<char>(std::stoi(std::string(hex, 2), nullptr, 16));
    return bytes;
}

// Every Winsock reference is counted: a session must give back exactly those it took.
class Pop3Session : public MailSession {
  protected:
    Pop3Session() : MailSession(kShortTimeoutMs, true) {}

    // One checkMailbox call against the scripted server playing `script`.
    Outcome run(std::vector<ScriptStep> script, const Account &account = kAccount,
                bool endSessionInBox = false, DWORD finishMs = kFinishMs) {
        return check(account, kPop3Scripted, std::move(script), finishMs, endSessionInBox);
    }

    // The session failed with exactly one box showing `text` and ended with QUIT after `sent`.
    void expectFailure(const Outcome &outcome, const std::string &text, const std::string &sent) {
        expectResult(outcome, 0, text);
        EXPECT_EQ(outcome.server.received, sent + "QUIT\r\n");
        EXPECT_TRUE(outcome.server.clientClosed);
    }

    // The session counted `count` messages without a box, after a USER/PASS dialogue.
    void expectCount(const Outcome &outcome, int count, const std::string &login = kLogin) {
        expectResult(outcome, count);
        EXPECT_EQ(outcome.server.received, login + "STAT\r\nQUIT\r\n");
        EXPECT_TRUE(outcome.server.clientClosed);
    }
};

// A whole USER/PASS session whose STAT reply is `stat`, each of `replies` then answering a line.
std::vector<ScriptStep> sessionWithStat(const std::string &stat,
                                        const std::vector<std::string> &replies = {}) {
    std::vector<ScriptStep> script = {
        sendLine(kGreeting),           readLine(), sendLine("+OK\r\n"), readLine(),
        sendLine("+OK logged in\r\n"), readLine(), sendLine(stat)};
    for (const std::string &reply : replies)
        script.insert(script.end(), {readLine(), sendLine(reply)});
    return script;
}

// A listener on `address`, port 110, whose queue of connections is kept full, so that the system
// drops every further connection request unanswered. Holds a Winsock reference while it lives.
struct BlackHole {
    explicit BlackHole(const char *address) {
        WSADATA winsock;
        started = WSAStartup(MAKEWORD(1, 1), &winsock) == 0;
        sockaddr_in socketAddress = {};
        socketAddress.sin_family = AF_INET;
        socketAddress.sin_port = htons(110);
        socketAddress.sin_addr.s_addr = inet_addr(address);
        listener = socket(AF_INET, SOCK_STREAM, 0);
        if (bind(listener, reinterpret_cast<sockaddr *>(&socketAddress), sizeof socketAddress) !=
                0 ||
            listen(listener, 0) != 0)
            return;
        for (int i = 0; i < 16 && !full; i++) {
            SOCKET filler = socket(AF_INET, SOCK_STREAM, 0);
            u_long nonBlocking = 1;
            ioctlsocket(filler, FIONBIO, &nonBlocking);
            connect(filler, reinterpret_cast<sockaddr *>(&socketAddress), sizeof socketAddress);
            fd_set writable;
            FD_ZERO(&writable);
            FD_SET(filler, &writable);
            timeval wait = {0, 300000};
            full = select(0, NULL, &writable, NULL, &wait) == 0;
            fillers.push_back(filler);
        }
    }
    ~BlackHole() {
        for (SOCKET filler : fillers)
            closesocket(filler);
        closesocket(listener);
        if (started)
            WSACleanup();
    }
    bool started = false;
    bool full = false; // a connection request went unanswered
    SOCKET listener = INVALID_SOCKET;
    std::vector<SOCKET> fillers;
};

} // namespace

TEST_F(Pop3Session, UserPassSessionCountsTheMessages) {
    expectCount(run(sessionWithStat("+OK 3 1200\r\n")), 3);
}

TEST_F(Pop3Session, ApopSessionSendsTheDigestLine) {
    Outcome outcome = run({sendLine(kGreeting), readLine(), sendLine("+OK maildrop locked\r\n"),
                           readLine(), sendLine("+OK 5 500\r\n")},
                          kApopAccount);
    expectCount(outcome, 5, kApopLine);
}

TEST_F(Pop3Session, NegativeGreetingGivesTheConnectMessage) {
    expectFailure(run({sendLine("-ERR too busy\r\n")}), kConnectText, "");
}

TEST_F(Pop3Session, ConnectMessageIsTheseCodePage932Bytes) {
    Outcome outcome = run({sendLine("-ERR too busy\r\n")});
    ASSERT_EQ(outcome.shown.size(), 1u);
    EXPECT_EQ(outcome.shown[0], fromHex("272089ef8ed020272082cc835c83508362836782c990da91b182c5"
                                        "82ab82dc82b982f182c582b582bd8142"));
}

TEST_F(Pop3Session, ClosedConnectionBeforeTheGreetingGivesTheConnectMessage) {
    expectFailure(run({closeConnection()}), kConnectText, "");
}

TEST_F(Pop3Session, SilentServerTimesOutAtTheGreeting) {
    Outcome outcome = run({});
    expectFailure(outcome, kConnectText, "");
    EXPECT_GE(outcome.elapsedMs, kShortTimeoutMs - 50);
    EXPECT_LT(outcome.elapsedMs, kShortTimeoutMs + 3000);
}

TEST_F(Pop3Session, ServerSendingOneBytePerSecondMeetsTheDeadline) {
    Outcome outcome = run({sendSlowly("+OK slowly ready\r\n", 1000)});
    expectFailure(outcome, kConnectText, "");
    EXPECT_LT(outcome.elapsedMs, kShortTimeoutMs + 3000);
}

TEST_F(Pop3Session, RejectedUserGivesTheUserMessage) {
    expectFailure(run({sendLine(kGreeting), readLine(), sendLine("-ERR unknown\r\n")}), kUserText,
                  "USER taro\r\n");
}

TEST_F(Pop3Session, ClosedConnectionAtUserGivesTheUserMessage) {
    expectFailure(run({sendLine(kGreeting), readLine(), closeConnection()}), kUserText,
                  "USER taro\r\n");
}

TEST_F(Pop3Session, SilenceAtUserTimesOutWithTheUserMessage) {
    expectFailure(run({sendLine(kGreeting), readLine()}), kUserText, "USER taro\r\n");
}

TEST_F(Pop3Session, RejectedPasswordGivesThePassMessage) {
    expectFailure(run({sendLine(kGreeting), readLine(), sendLine("+OK\r\n"), readLine(),
                       sendLine("-ERR wrong\r\n")}),
                  kPassText, kLogin);
}

TEST_F(Pop3Session, ClosedConnectionAtPassGivesThePassMessage) {
    expectFailure(
        run({sendLine(kGreeting), readLine(), sendLine("+OK\r\n"), readLine(), closeConnection()}),
        kPassText, kLogin);
}

TEST_F(Pop3Session, SilenceAtPassTimesOutWithThePassMessage) {
    expectFailure(run({sendLine(kGreeting), readLine(), sendLine("+OK\r\n"), readLine()}),
                  kPassText, kLogin);
}

TEST_F(Pop3Session, RejectedStatGivesTheStatMessage) {
    expectFailure(run(sessionWithStat("-ERR no maildrop\r\n")), kStatText,
                  std::string(kLogin) + "STAT\r\n");
}

TEST_F(Pop3Session, ClosedConnectionAtStatGivesTheStatMessage) {
    std::vector<ScriptStep> script = sessionWithStat("");
    script.back() = closeConnection();
    expectFailure(run(script), kStatText, std::string(kLogin) + "STAT\r\n");
}

TEST_F(Pop3Session, SilenceAtStatTimesOutWithTheStatMessage) {
    std::vector<ScriptStep> script = sessionWithStat("");
    script.pop_back();
    expectFailure(run(script), kStatText, std::string(kLogin) + "STAT\r\n");
}

TEST_F(Pop3Session, RejectedApopGivesTheApopMessage) {
    expectFailure(run({sendLine(kGreeting), readLine(), sendLine("-ERR permission denied\r\n")},
                      kApopAccount),
                  kApopText, kApopLine);
}

TEST_F(Pop3Session, ClosedConnectionAtApopGivesTheApopMessage) {
    expectFailure(run({sendLine(kGreeting), readLine(), closeConnection()}, kApopAccount),
                  kApopText, kApopLine);
}

TEST_F(Pop3Session, SilenceAtApopTimesOutWithTheApopMessage) {
    expectFailure(run({sendLine(kGreeting), readLine()}, kApopAccount), kApopText, kApopLine);
}

TEST_F(Pop3Session, GreetingWithoutTimestampSendsNoApopLine) {
    expectFailure(run({sendLine("+OK no timestamp here\r\n")}, kApopAccount), kApopText, "");
}

TEST_F(Pop3Session, ClosingBracketOnlyBeforeTheLastOpeningOneSendsNoApopLine) {
    expectFailure(run({sendLine("+OK <1.2@vemo.test> and < alone\r\n")}, kApopAccount), kApopText,
                  "");
}

TEST_F(Pop3Session, GreetingWithTwoTimestampsUsesTheSecond) {
    Account account = {kName, kPop3Scripted, "taro", "pw", 1};
    Outcome outcome = run({sendLine("+OK <first.1@x.example> <second.2@y.example>\r\n"), readLine(),
                           sendLine("+OK\r\n"), readLine(), sendLine("+OK 1 10\r\n")},
                          account);
    // MD5 of "<second.2@y.example>pw".
    expectCount(outcome, 1, "APOP taro efa7e290bf90c22bc183a2ba882f2be0\r\n");
}

TEST_F(Pop3Session, RepliesInSingleBytesGiveTheSameSession) {
    Outcome outcome =
        run({sendSlowly(kGreeting, 2), readLine(), sendSlowly("+OK\r\n", 2), readLine(),
             sendSlowly("+OK logged in\r\n", 2), readLine(), sendSlowly("+OK 12 3456\r\n", 2)});
    expectCount(outcome, 12);
}

TEST_F(Pop3Session, ApopRepliesInSingleBytesGiveTheSameSession) {
    Outcome outcome = run({sendSlowly(kGreeting, 2), readLine(), sendSlowly("+OK\r\n", 2),
                           readLine(), sendSlowly("+OK 2 20\r\n", 2)},
                          kApopAccount);
    expectCount(outcome, 2, kApopLine);
}

TEST_F(Pop3Session, StatReplySplitInsideItsCountIsReadWhole) {
    // "+OK 1" a byte at a time, then a pause, then the rest of the count and the line.
    std::vector<ScriptStep> script = sessionWithStat("");
    script.back() = sendSlowly("+OK 1", 100);
    script.push_back(sendLine("7 900\r\n"));
    expectCount(run(script), 17);
}

TEST_F(Pop3Session, ReplyLinesAreBoundedByWhatWasAsked) {
    std::vector<ScriptStep> greeting512 = sessionWithStat("+OK 4 400\r\n");
    greeting512[0] = sendLine("+OK " + std::string(506, 'x') + "\r\n");
    expectCount(run(greeting512), 4);
    for (const ScriptStep &greeting :
         {sendLine("+OK " + std::string(507, 'x') + "\r\n"), flood("+OK ")})
        expectFailure(run({greeting}), kConnectText, "");
}

TEST_F(Pop3Session, UidlAsksForTheLastIdAndReadsTheListOnlyWhenThatChanged) {
    MailboxMemory seen = {};
    memory = &seen;
    const std::string list = "UIDL 2\r\nUIDL\r\n";
    struct Case {
        const char *what, *stat;
        std::vector<std::string> replies; // to UIDL n and UIDL
        std::string sent;                 // after STAT
        int count, fresh;
    } cases[] = {
        {"first check", "+OK 2 20\r\n", {"+OK 2 b\r\n", "+OK\r\n1 a\r\n2 b\r\n.\r\n"}, list, 2, 1},
        {"nothing changed", "+OK 2 20\r\n", {"+OK 2 b\r\n"}, "UIDL 2\r\n", 2, 0},
        {"UIDL refused, the count rose", "+OK 3 30\r\n", {"-ERR\r\n"}, "UIDL 3\r\n", 3, 1},
        {"too long", "+OK 2 9\r\n", {"+OK 2 z\r\n", "+OK\r\n1 x\r\n2 y\r\n3 z\r\n"}, list, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Outcome outcome = run(sessionWithStat(c.stat, c.replies));
        expectResult(outcome, c.count, c.count ? "" : kStatText);
        EXPECT_EQ(outcome.server.received, kLogin + std::string("STAT\r\n") + c.sent + "QUIT\r\n");
        EXPECT_EQ(outcome.fresh, c.fresh);
    }
    forgetMailbox(&seen);
}

TEST_F(Pop3Session, ReplyCutOffByTheServerClosingCountsAsReceived) {
    std::vector<ScriptStep> script = sessionWithStat("+OK 5 500");
    script.push_back(closeConnection());
    expectCount(run(script), 5);
}

TEST_F(Pop3Session, ReplyWithoutLineEndInTimeIsNotPositive) {
    expectFailure(run(sessionWithStat("+OK 5 500")), kStatText, std::string(kLogin) + "STAT\r\n");
}

TEST_F(Pop3Session, StatWithTwoBlanksFindsTheCount) {
    expectCount(run(sessionWithStat("+OK  12 100\r\n")), 12);
}

TEST_F(Pop3Session, StatWithoutCountGivesZeroWithoutMessage) {
    expectCount(run(sessionWithStat("+OK\r\n")), 0);
}

TEST_F(Pop3Session, NegativeStatCountIsPassedOn) {
    expectCount(run(sessionWithStat("+OK -3 100\r\n")), -3);
}

TEST_F(Pop3Session, TwentyDigitStatCountIsClamped) {
    expectCount(run(sessionWithStat("+OK 12345678901234567890 100\r\n")), INT_MAX);
}

TEST_F(Pop3Session, UserWithLineBreakIsNotSent) {
    Account account = {kName, kPop3Scripted, "taro\r\nDELE 1"};
    expectFailure(run({sendLine(kGreeting)}, account), kUserText, "");
}

TEST_F(Pop3Session, PasswordWithLineBreakIsNotSent) {
    Account account = {kName, kPop3Scripted, "taro", "secret\nDELE 1"};
    expectFailure(run({sendLine(kGreeting), readLine(), sendLine("+OK\r\n")}, account), kPassText,
                  "USER taro\r\n");
}

TEST_F(Pop3Session, ApopUserWithLineBreakIsNotSent) {
    Account account = {kName, kPop3Scripted, "taro\rDELE 1", "secret", 1};
    expectFailure(run({sendLine(kGreeting)}, account), kApopText, "");
}

TEST_F(Pop3Session, ApopPasswordWithLineBreakIsNotSent) {
    Account account = {kName, kPop3Scripted, "taro", "secret\r\n", 1};
    expectFailure(run({sendLine(kGreeting)}, account), kApopText, "");
}

TEST_F(Pop3Session, EmptyServerUserOrPasswordSendsAndShowsNothing) {
    for (int field = 0; field < 3; field++) {
        Account account = kAccount;
        if (field == 0)
            account.server = "";
        else if (field == 1)
            account.user = "";
        else
            account.password = "";
        Outcome outcome = run({sendLine(kGreeting)}, account, false, kNoConnectionMs);
        EXPECT_EQ(outcome.count, 0) << field;
        EXPECT_TRUE(outcome.boxes.empty()) << field;
        EXPECT_FALSE(outcome.server.connected) << field;
        EXPECT_TRUE(outcome.winsockReleased) << field;
    }
}

TEST_F(Pop3Session, UnresolvableHostGivesTheTwoLineLookupMessage) {
    Outcome outcome = run({}, {kName, "vemo-test.invalid"}, false, kNoConnectionMs);
    EXPECT_EQ(outcome.count, 0);
    ASSERT_EQ(outcome.boxes.size(), 1u);
    EXPECT_EQ(outcome.boxes[0].text,
              fromHex("272089ef8ed020272082cc8354815b836f82aa8ca982c282a982e882dc82b982f18142"
                      "0a8341834a83458393836782cc90dd92e882aa90b382b582a282a98a6d944682b582c482ad"
                      "82be82b382a28142"));
    EXPECT_EQ(outcome.boxes[0].type, static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(outcome.boxes[0].caption, "vemo");
    EXPECT_FALSE(outcome.server.connected);
    EXPECT_TRUE(outcome.winsockReleased);
    std::cout << "[ lookup ] vemo-test.invalid failed after " << outcome.elapsedMs << " ms"
              << std::endl;
}

namespace {

struct HeldLookup {
    HWND window;
    u_int message;
    char *answer;
};
std::vector<HeldLookup> g_lookups;

// Writes a one-address answer into the lookup's block and tells its window.
void answerLookup(size_t index, const char *address) {
    hostent *entry = reinterpret_cast<hostent *>(g_lookups[index].answer);
    char **list = reinterpret_cast<char **>(entry + 1);
    in_addr *number = reinterpret_cast<in_addr *>(list + 2);
    number->s_addr = inet_addr(address);
    list[0] = reinterpret_cast<char *>(number);
    list[1] = NULL;
    entry->h_length = sizeof *number;
    entry->h_addr_list = list;
    PostMessageA(g_lookups[index].window, g_lookups[index].message, index + 1, 0);
}

// The first lookup gets no answer in its time; when the second starts, it gets its answer, and
// then the first gets its own, late.
HANDLE WINAPI holdLookup(HWND window, u_int message, const char *, char *answer, int) {
    g_lookups.push_back({window, message, answer});
    if (g_lookups.size() == 2) {
        answerLookup(1, kPop3Scripted);
        answerLookup(0, kClosedPort);
    }
    return reinterpret_cast<HANDLE>(g_lookups.size());
}

} // namespace

TEST_F(Pop3Session, ALookupGivenUpAnswersLateWithoutTouchingTheNextOne) {
    void *real = replaceImport("wsock32.dll", "WSAAsyncGetHostByName",
                               reinterpret_cast<void *>(&holdLookup));
    ASSERT_TRUE(real);
    g_connectTimeoutMs = 300;
    EXPECT_EQ(check({kName, "first.vemo.test"}).count, 0);
    Outcome outcome = run(sessionWithStat("+OK 4 400\r\n"), {kName, "next.vemo.test"});
    replaceImport("wsock32.dll", "WSAAsyncGetHostByName", real);
    ASSERT_EQ(g_lookups.size(), 2u);
    EXPECT_NE(g_lookups[0].answer, g_lookups[1].answer);
    expectCount(outcome, 4);
}

TEST_F(Pop3Session, ClosedPortGivesTheConnectMessage) {
    Outcome outcome = run({}, {kName, kClosedPort}, false, kNoConnectionMs);
    EXPECT_EQ(outcome.count, 0);
    ASSERT_EQ(outcome.boxes.size(), 1u);
    EXPECT_EQ(outcome.boxes[0].text, kConnectText);
    EXPECT_EQ(outcome.boxes[0].type, static_cast<UINT>(MB_ICONERROR));
    EXPECT_FALSE(outcome.server.connected);
    EXPECT_TRUE(outcome.winsockReleased);
}

TEST_F(Pop3Session, LongestDisplayNameIsCutToFitTheMessage) {
    Account account = kAccount;
    std::string name;
    for (int i = 0; i < 127; i++)
        name += "表"; // its second byte is a backslash
    name += "x";
    account.name = name.c_str();
    Outcome outcome = run({sendLine("-ERR\r\n")}, account);
    ASSERT_EQ(outcome.boxes.size(), 1u);
    const std::string &text = outcome.boxes[0].text;
    std::string tail = " ' のソケットに接続できませんでした。";
    ASSERT_GT(text.size(), tail.size());
    EXPECT_LE(text.size(), 255u);
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    std::string shownName = text.substr(2, text.size() - tail.size() - 2);
    EXPECT_EQ(shownName, name.substr(0, shownName.size()));
    EXPECT_EQ(shownName.size() % 2, 0u);
    EXPECT_GE(shownName.size(), 255u - 1 - (tail.size() + 2));
}

TEST_F(Pop3Session, ShutdownDuringTheMessageEndsTheSessionOnce) {
    Outcome outcome = run({sendLine(kGreeting), readLine(), sendLine("+OK\r\n"), readLine(),
                           sendLine("-ERR wrong\r\n")},
                          kAccount, true);
    expectFailure(outcome, kPassText, kLogin);
}

TEST_F(Pop3Session, EndSessionWithoutSessionDoesNothing) {
    Outcome outcome = run(sessionWithStat("+OK 1 1\r\n"));
    expectCount(outcome, 1);
    WSADATA winsock;
    ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &winsock), 0);
    endSession(); // would release our reference if it still thought a session was open
    EXPECT_EQ(WSACleanup(), 0);
}

TEST_F(Pop3Session, SessionAfterAFailedOneWorks) {
    expectFailure(run({}), kConnectText, "");
    expectCount(run(sessionWithStat("+OK 6 600\r\n")), 6);
}

TEST_F(Pop3Session, HostThatNeverAnswersTheConnectGivesTheConnectMessageInTime) {
    const DWORD deadlineMs = 1500;
    g_connectTimeoutMs = deadlineMs;
    {
        BlackHole hole(kBlackHole);
        ASSERT_TRUE(hole.full);
        Outcome outcome = check({kName, kBlackHole});
        expectResult(outcome, 0, kConnectText);
        EXPECT_GE(outcome.elapsedMs, deadlineMs - 50);
        // The box is answered within the margin too.
        EXPECT_LT(outcome.elapsedMs, deadlineMs + 3000);
    }
    // The next account of the round is still queried.
    expectCount(run(sessionWithStat("+OK 6 600\r\n")), 6);
}
