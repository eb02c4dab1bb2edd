// POP3 over TLS: real counts against Dovecot with TLS only (localhost:995, started by the test
// fixture with its test CA), and through a TLS relay in front of a scripted server: certificates
// that must be refused and faults of the channel.
#include "mailcheck/mailcheck.h"
#include "support/addresses.h"
#include "support/mail_session.h"
#include "support/windows_support.h"

#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

namespace {

const char kName[] = "自宅";
const DWORD kShortTimeoutMs = 3000;

const std::string kConnectText = "' 自宅 ' のソケットに接続できませんでした。";
const std::string kStatText = "' 自宅 ' のメール件数を取得できませんでした。";
const std::string kCertificateText = "' 自宅 ' のサーバ証明書を確認できませんでした。";
const char kGreeting[] = "+OK scripted server ready <3.4@vemo.test>\r\n";
const char kLogin[] = "USER taro\r\nPASS secret\r\n";

std::vector<ScriptStep> sessionWithStat(const std::string &stat) {
    return {sendLine(kGreeting),           readLine(), sendLine("+OK\r\n"), readLine(),
            sendLine("+OK logged in\r\n"), readLine(), sendLine(stat)};
}

class Pop3Tls : public MailSession {
  protected:
    Pop3Tls() : MailSession(kShortTimeoutMs) {}
    void SetUp() override {
        MailSession::SetUp();
        ASSERT_TRUE(trustCertificate(VEMO_TEST_CA));
        // The platform keeps what it fetched in its URL cache: every test fetches anew.
        auto forget = reinterpret_cast<BOOL(WINAPI *)(const char *)>(reinterpret_cast<void (*)()>(
            GetProcAddress(LoadLibraryA("wininet.dll"), "DeleteUrlCacheEntryA")));
        forget("http://127.0.0.92:110/intermediate.der");
    }

    // One query of `server` while the scripted server plays `script`, directly or behind the relay.
    Outcome run(const char *server, std::vector<ScriptStep> script, DWORD finishMs = kFinishMs) {
        return check({kName, server}, kTlsScripted, std::move(script), finishMs);
    }
};

} // namespace

TEST_F(Pop3Tls, TlsAccountsCountWithUserPassAndApopBesideAPlainAccount) {
    expectResult(check({kName, "pop3s://localhost", "alice", "wonderland"}), 3);
    expectResult(check({kName, kDovecot, "alice", "wonderland"}), 3);
    expectResult(check({kName, "localhost:995", "alice", "wonderland", 1}), 3);
    expectResult(check({kName, "POP3S://localhost:995", "bob", "builder", 1}), 0);
}

TEST_F(Pop3Tls, TlsSessionTimeOnLoopback) {
    const int sessions = 10;
    LARGE_INTEGER frequency, start, middle, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    for (int i = 0; i < sessions; i++)
        ASSERT_EQ(
            checkMailbox(owner, kName, "pop3s://localhost", "alice", "wonderland", 0, NULL, NULL),
            3);
    QueryPerformanceCounter(&middle);
    for (int i = 0; i < sessions; i++)
        ASSERT_EQ(checkMailbox(owner, kName, kDovecot, "alice", "wonderland", 0, NULL, NULL), 3);
    QueryPerformanceCounter(&end);
    double tlsMs = (middle.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart / sessions;
    double plainMs = (end.QuadPart - middle.QuadPart) * 1000.0 / frequency.QuadPart / sessions;
    std::cout << "[ timing ] one session over TLS: " << tlsMs << " ms, plain: " << plainMs << " ms"
              << std::endl;
    EXPECT_LT(tlsMs, 2000.0);
}

TEST_F(Pop3Tls, TlsSessionSaysQuitAfterStatAndCloses) {
    Outcome outcome = run("pop3s://localhost:9951", sessionWithStat("+OK 2 20\r\n"));
    expectResult(outcome, 2);
    EXPECT_EQ(outcome.server.received, std::string(kLogin) + "STAT\r\nQUIT\r\n");
    EXPECT_TRUE(outcome.server.clientClosed);
}

TEST_F(Pop3Tls, CertificateThatCannotBeVerifiedGivesItsMessageAndNoLogin) {
    const char *const servers[] = {
        "pop3s://localhost:9952", // from a CA that nobody trusts
        "pop3s://localhost:9953", // for another host
        "pop3s://localhost:9954", // expired
        "pop3s://127.0.0.1:9951", // good for localhost, but the account names an address
        "pop3s://localhost:9957", // its intermediate CA missing, to be fetched from kIssuerServer
    };
    WSADATA winsock;
    ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &winsock), 0); // the silent web server's reference
    ScriptedServer web(kIssuerServer, {});
    for (const char *server : servers) {
        SCOPED_TRACE(server);
        Outcome outcome = run(server, {sendLine(kGreeting)}, 3000);
        expectResult(outcome, 0, kCertificateText);
        EXPECT_EQ(outcome.server.received, "");
    }
    EXPECT_TRUE(web.finish(0).connected) << "the missing issuer was asked for";
    WSACleanup();
}

TEST_F(Pop3Tls, IntermediateThatTheServerLeavesOutIsFetched) {
    std::string path = VEMO_TEST_CA;
    std::ifstream file(path.replace(path.rfind("ca.der"), 6, "intermediate.der"), std::ios::binary);
    std::string issuer =
        "HTTP/1.0 200 OK\r\n\r\n" + std::string{std::istreambuf_iterator<char>(file), {}};
    WSADATA winsock;
    ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &winsock), 0); // the web server's reference
    ScriptedServer web(kIssuerServer, {readLine(), sendLine(issuer), closeConnection()});
    expectResult(run("pop3s://localhost:9957", sessionWithStat("+OK 2 20\r\n")), 2);
    EXPECT_EQ(web.finish(0).received.rfind("GET /intermediate.der ", 0), 0u);
    WSACleanup();
}

TEST_F(Pop3Tls, HandshakeFaultsGiveTheConnectMessageAndNoLogin) {
    const std::string direct = "pop3s://" + std::string(kTlsScripted) + ":110";
    struct Case {
        const char *what;
        const char *server;
        std::vector<ScriptStep> script;
    } cases[] = {
        {"stalls", direct.c_str(), {}},
        {"plain server", direct.c_str(), {sendLine(kGreeting)}},
        {"closes at once", direct.c_str(), {closeConnection()}},
        {"closes mid-handshake", "pop3s://localhost:9956", {sendLine(kGreeting)}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Outcome outcome = run(c.server, c.script, 3000);
        expectResult(outcome, 0, kConnectText);
        EXPECT_EQ(outcome.server.received.find("USER"), std::string::npos);
        EXPECT_LT(outcome.elapsedMs, kShortTimeoutMs + 3000);
        if (c.script.empty()) {
            EXPECT_GE(outcome.elapsedMs, kShortTimeoutMs - 50);
        }
    }
}

TEST_F(Pop3Tls, RecordsInPiecesGiveTheSameSession) {
    Outcome outcome = run("pop3s://localhost:9955", sessionWithStat("+OK 12 3456\r\n"));
    expectResult(outcome, 12);
    EXPECT_EQ(outcome.server.received, std::string(kLogin) + "STAT\r\nQUIT\r\n");
}

TEST_F(Pop3Tls, ReplyWithoutLineEndTimesOutWithTheStatMessage) {
    Outcome outcome = run("pop3s://localhost:9951", sessionWithStat("+OK 5 500"));
    expectResult(outcome, 0, kStatText);
    EXPECT_EQ(outcome.server.received, std::string(kLogin) + "STAT\r\nQUIT\r\n");
}

TEST_F(Pop3Tls, UnreadableServerFieldGivesTheLookupMessage) {
    const std::string lookupText =
        "' 自宅 ' のサーバが見つかりません。\nアカウントの設定が正しいか確認してください。";
    for (const char *server : {"http://localhost", "localhost:0", "pop3s://:995"}) {
        Outcome outcome = check({kName, server});
        EXPECT_EQ(outcome.count, 0) << server;
        ASSERT_EQ(outcome.boxes.size(), 1u) << server;
        EXPECT_EQ(outcome.boxes[0].text, lookupText) << server;
    }
}
