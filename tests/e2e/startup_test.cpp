// The real program, started as a process of its own and driven from outside with window messages.
#include "e2e/program.h"

TEST_F(Program, FirstStartRunsHiddenAndSavesTheDefaultsAtExit) {
    HANDLE process = start("/s");
    ASSERT_TRUE(process);
    HWND window = mainWindow();
    ASSERT_TRUE(window);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(settingsFile().size(), 0u) << "nothing is written before the program ends";

    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(exitCode(process), 0u);

    std::vector<BYTE> image = settingsFile();
    ASSERT_EQ(image.size(), kSettingsSize);
    rc4CryptWithPassphrase(image.data(), image.size(), "vemo");
    Settings defaults;
    applyDefaults(&defaults);
    EXPECT_EQ(memcmp(image.data(), &defaults, kSettingsSize), 0);
}

TEST_F(Program, SecondCopyWarnsInJapaneseAndLeavesTheFirstRunning) {
    HANDLE first = start();
    ASSERT_TRUE(first);
    HWND window = mainWindow();
    ASSERT_TRUE(window);

    HANDLE second = start();
    ASSERT_TRUE(second);
    HWND box = waitForWindow("#32770", "vemo", kTimeoutMs);
    ASSERT_TRUE(box);
    // "既に起動しています。" as code page 932 bytes.
    const char expected[] = "\x8a\xf9\x82\xc9\x8b\x4e\x93\xae\x82\xb5\x82\xc4\x82\xa2\x82\xdc"
                            "\x82\xb7\x81\x42";
    EXPECT_EQ(messageBoxText(box), expected);
    pressOk(box);
    EXPECT_EQ(exitCode(second), 0u);

    EXPECT_EQ(WaitForSingleObject(first, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(settingsFile().size(), 0u) << "the second copy must not write the settings";
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(exitCode(first), 0u);
}

TEST_F(Program, SettingsLandBesideAProgramWhosePathHoldsABackslashTrailByte) {
    // The second byte of "表" in code page 932 is 0x5C, the backslash: "表示\表.exe".
    std::string japanese = root + "\x95\x5c\x8e\xa6\\";
    ASSERT_TRUE(CreateDirectoryA(japanese.c_str(), NULL));
    installIn(japanese, "\x95\x5c.exe");
    HANDLE process = start();
    ASSERT_TRUE(process);
    HWND window = mainWindow();
    ASSERT_TRUE(window);
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(exitCode(process), 0u);
    EXPECT_EQ(settingsFile().size(), kSettingsSize);
}
