// One round of the real program over a TLS account and a plain one: Dovecot with TLS only on
// localhost:995 ("alice" 3 messages, "bob" none), whose test CA the prefix trusts, and the plain
// Dovecot of the tray stories on 127.0.0.60 ("three" 7 messages).
#include "e2e/program.h"
#include "e2e/rounds.h"

TEST_F(Program, RoundCountsTlsAccountsBesidePlainOneInSlotOrder) {
    ASSERT_TRUE(trustCertificate(VEMO_TEST_CA));
    Settings record = defaultSettings();
    setAccount(&record, 0, "暗号", "pop3s://localhost", "alice", "wonderland");
    setAccount(&record, 1, "空箱", "localhost:995", "bob", "builder");
    setAccount(&record, 3, "平文", "127.0.0.60", "three", "third");
    writeSettings(record);
    HANDLE process = start();
    ASSERT_TRUE(process);
    HWND window = mainWindow();
    ASSERT_TRUE(window);

    // The start-up round shows both accounts with mail, and no error box came first.
    HWND shown = shownMsgWindow();
    ASSERT_TRUE(shown);
    EXPECT_TRUE(showsText(shown, record, "暗号 ： 3 通\n平文 ： 7 通\n"));
    EXPECT_FALSE(FindWindowA("#32770", "vemo"));

    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(exitCode(process), 0u);
}
