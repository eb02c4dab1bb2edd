// The start-up round of the real program over accounts of every kind, one story a row: the accounts
// it sets up in their slots and the lines that the notification window then shows, in slot order,
// with no error box before them. The accounts are those of the stories' Dovecot and of Dovecot
// with TLS only on localhost, whose test CA the prefix trusts.
#include "e2e/program.h"
#include "e2e/rounds.h"
#include "support/addresses.h"
#include "support/script_server.h"

#include <string>
#include <vector>

namespace {

struct Slot {
    int slot;
    const char *name;
    std::string server;
    const char *user, *password;
    int apop;
};

struct Story {
    std::vector<Slot> accounts;
    const char *lines;
};

// TLS accounts, a plain one and an APOP one: on localhost:995 "alice" has 3 messages and "bob"
// none, on the stories' Dovecot "one" 1 and "three" 7.
const Story kTlsStory = {{{0, "暗号", "pop3s://localhost", "alice", "wonderland", 0},
                          {1, "空箱", "localhost:995", "bob", "builder", 0},
                          {2, "認証", kE2eDovecot, "one", "first", 1},
                          {3, "平文", kE2eDovecot, "three", "third", 0}},
                         "暗号 ： 3 通\n認証 ： 1 通\n平文 ： 7 通\n"};

// An IMAP, an IMAPS and a POP3 account: the unseen mail of each IMAP inbox ("three" 7 messages,
// 2 of them seen; "alice" on localhost:993 3, 1 seen) and every message of the POP3 one.
const Story kImapStory = {{{0, "受信箱", "imap://" + std::string(kE2eDovecot), "three", "third", 0},
                           {2, "暗号", "imaps://localhost", "alice", "wonderland", 0},
                           {4, "平文", kE2eDovecot, "three", "third", 0}},
                          "受信箱 ： 5 通\n暗号 ： 2 通\n平文 ： 7 通\n"};

class Round : public Program {
  protected:
    // Starts the program over the story's accounts and checks what its start-up round shows.
    void expectStartupRound(const Story &story) {
        ASSERT_TRUE(trustCertificate(VEMO_TEST_CA));
        Settings record = defaultSettings();
        for (const Slot &account : story.accounts) {
            setAccount(&record, account.slot, account.name, account.server.c_str(), account.user,
                       account.password);
            record.apop[account.slot] = account.apop;
        }
        record.msgRect = {100, 100, 400, 200}; // tall enough for every line
        HANDLE process;
        HWND window = startWith(record, &process);
        ASSERT_TRUE(window);

        HWND shown = shownMsgWindow();
        ASSERT_TRUE(shown);
        EXPECT_TRUE(showsText(shown, record, story.lines));
        EXPECT_FALSE(FindWindowA("#32770", "vemo"));

        PostMessageA(window, WM_CLOSE, 0, 0);
        EXPECT_EQ(exitCode(process), 0u);
    }
};

} // namespace

TEST_F(Round, CountsTlsAccountsBesidePlainAndApopOnesInSlotOrder) {
    expectStartupRound(kTlsStory);
}

TEST_F(Round, CountsImapImapsAndPop3AccountsInSlotOrder) {
    expectStartupRound(kImapStory);
}

// Five accounts with mail, at the default rectangle: the window grows until every line shows, the
// tray tip gives their total, which its 64 bytes cannot list, and the picture carries its mark; a
// round without mail takes the mark away again. The accounts all ask one repeating POP3 server.
TEST_F(Round, EveryLineOfFiveAccountsShowsAndTheTrayTellsTheState) {
    Settings record = defaultSettings();
    const char *const names[kAccountSlots] = {"一", "二", "三", "四", "五"};
    for (int slot = 0; slot < kAccountSlots; slot++)
        setAccount(&record, slot, names[slot], kRoundResponder, "user", "secret");
    const char lines[] = "一 ： 3 通\n二 ： 3 通\n三 ： 3 通\n四 ： 3 通\n五 ： 3 通\n";
    WSADATA winsock;
    ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &winsock), 0); // the servers' own reference
    HANDLE process;
    HWND window, shown;
    {
        Pop3Responder mail(kRoundResponder, 3, 0);
        ASSERT_TRUE(mail.listening());
        ASSERT_TRUE(window = startWith(record, &process));
        ASSERT_TRUE(shown = shownMsgWindow());
        EXPECT_TRUE(showsText(shown, record, lines));
        EXPECT_TRUE(holdsText(shown, record, lines));
        deliver(shown, WM_LBUTTONDOWN); // out of the way of Wine's tray
        EXPECT_TRUE(becomes([] { return trayTip() == L"vemo ver 0.01\n合計 15 通"; }));
        EXPECT_TRUE(becomes(trayIconMarked));
    }
    Pop3Responder none(kRoundResponder, 0, 0);
    tick(window);
    EXPECT_TRUE(becomes([] { return trayTip() == L"vemo ver 0.01\n未受信メールはありません。"; }));
    EXPECT_TRUE(becomes([] { return !trayIconMarked(); }));
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(exitCode(process), 0u);
    WSACleanup();
}
