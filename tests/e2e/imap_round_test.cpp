// One round of the real program over an IMAP, an IMAPS and a POP3 account: the inbox of "three" on
// the tray stories' Dovecot (7 messages, 2 of them seen) over IMAP and over POP3, and
// that of "alice" on Dovecot with TLS only on localhost:993 (3 messages, 1 seen).
#include "e2e/program.h"
#include "e2e/rounds.h"

TEST_F(Program, RoundCountsImapImapsAndPop3AccountsInSlotOrder) {
    ASSERT_TRUE(trustCertificate(VEMO_TEST_CA));
    Settings record = defaultSettings();
    setAccount(&record, 0, "受信箱", "imap://" VEMO_E2E_DOVECOT, "three", "third");
    setAccount(&record, 2, "暗号", "imaps://localhost", "alice", "wonderland");
    setAccount(&record, 4, "平文", VEMO_E2E_DOVECOT, "three", "third");
    record.msgRect = {100, 100, 400, 200}; // tall enough for every line
    writeSettings(record);
    HANDLE process = start();
    ASSERT_TRUE(process);
    HWND window = mainWindow();
    ASSERT_TRUE(window);

    // The start-up round: the unseen mail of each IMAP inbox, every message of the POP3 one, and
    // no error box before them.
    HWND shown = shownMsgWindow();
    ASSERT_TRUE(shown);
    EXPECT_TRUE(showsText(shown, record, "受信箱 ： 5 通\n暗号 ： 2 通\n平文 ： 7 通\n"));
    EXPECT_FALSE(FindWindowA("#32770", "vemo"));

    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(exitCode(process), 0u);
}
