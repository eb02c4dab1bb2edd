// One round of the real program over TLS accounts, a plain one and an APOP one: Dovecot with TLS
// only on localhost:995 ("alice" 3 messages, "bob" none), whose test CA the prefix trusts, and the
// plain Dovecot of the tray stories ("one" 1 message, "three" 7).
#include "e2e/program.h"
#include "e2e/rounds.h"

TEST_F(Program, RoundCountsTlsAccountsBesidePlainAndApopOnesInSlotOrder) {
    ASSERT_TRUE(trustCertificate(VEMO_TEST_CA));
    Settings record = defaultSettings();
    setAccount(&record, 0, "暗号", "pop3s://localhost", "alice", "wonderland");
    setAccount(&record, 1, "空箱", "localhost:995", "bob", "builder");
    setAccount(&record, 2, "認証", VEMO_E2E_DOVECOT, "one", "first");
    record.apop[2] = 1;
    setAccount(&record, 3, "平文", VEMO_E2E_DOVECOT, "three", "third");
    record.msgRect = {100, 100, 400, 200}; // tall enough for every line
    writeSettings(record);
    HANDLE process = start();
    ASSERT_TRUE(process);
    HWND window = mainWindow();
    ASSERT_TRUE(window);

    // The start-up round shows the accounts with mail, and no error box came first.
    HWND shown = shownMsgWindow();
    ASSERT_TRUE(shown);
    EXPECT_TRUE(showsText(shown, record, "暗号 ： 3 通\n認証 ： 1 通\n平文 ： 7 通\n"));
    EXPECT_FALSE(FindWindowA("#32770", "vemo"));

    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(exitCode(process), 0u);
}
