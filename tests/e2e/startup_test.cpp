// The real program, started as a process of its own and driven from outside with window messages.
#include "crypto/rc4.h"
#include "settings/settings.h"
#include "support/windows_support.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

const DWORD kTimeoutMs = 20000;

// Each test runs its own copy of the program in a fresh folder, so "ini.dat" starts absent.
class Program : public ::testing::Test {
  protected:
    void SetUp() override {
        root = folder = makeTempFolder("e2e");
        installIn(folder);
    }

    void installIn(const std::string &where, const char *name = "vemo.exe") {
        folder = where;
        exe = folder + name;
        ASSERT_TRUE(CopyFileA((testProgramFolder() + VEMO_EXE_NAME).c_str(), exe.c_str(), FALSE));
    }
    void TearDown() override {
        for (PROCESS_INFORMATION &process : processes) {
            if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT)
                TerminateProcess(process.hProcess, 1);
            WaitForSingleObject(process.hProcess, kTimeoutMs);
            CloseHandle(process.hProcess);
            CloseHandle(process.hThread);
        }
        if (folder != root)
            removeTempFolder(folder);
        removeTempFolder(root);
    }

    HANDLE start(const char *arguments = "") {
        std::string commandLine = "\"" + exe + "\" " + arguments;
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        // Started from another current directory: the program must find its files by itself.
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        if (!CreateProcessA(exe.c_str(), &commandLine[0], NULL, NULL, FALSE, 0, NULL, temp,
                            &startup, &process))
            return NULL;
        processes.push_back(process);
        return process.hProcess;
    }

    static DWORD exitCode(HANDLE process) {
        if (WaitForSingleObject(process, kTimeoutMs) != WAIT_OBJECT_0)
            return STILL_ACTIVE;
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(process, &code);
        return code;
    }

    std::vector<BYTE> settingsFile() {
        std::vector<BYTE> data(kSettingsSize + 1);
        HANDLE file = CreateFileA((folder + "ini.dat").c_str(), GENERIC_READ, FILE_SHARE_READ, NULL,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
        DWORD read = 0;
        if (file != INVALID_HANDLE_VALUE) {
            ReadFile(file, data.data(), static_cast<DWORD>(data.size()), &read, NULL);
            CloseHandle(file);
        }
        data.resize(read);
        return data;
    }

    std::string root, folder, exe;
    std::vector<PROCESS_INFORMATION> processes;
};

HWND mainWindow() {
    DWORD start = GetTickCount();
    do {
        if (HWND window = FindWindowA("vemoClass", NULL))
            return window;
        Sleep(20);
    } while (GetTickCount() - start < kTimeoutMs);
    return NULL;
}

} // namespace

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
