// The program against the faults of a machine that runs it for months: a settings file that
// cannot be written at exit, a process killed while the user works.
#include "e2e/dialogs.h"
#include "e2e/program.h"
#include "support/addresses.h"

namespace {

// Ways to make "ini.dat" unwritable from outside. `hold` returns what `release` undoes.
struct Blocker {
    const char *what;
    HANDLE (*hold)(const std::string &path);
    void (*release)(const std::string &path, HANDLE held);
};

const Blocker kBlockers[] = {
    {"held open without sharing",
     [](const std::string &path) {
         return CreateFileA(path.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, NULL);
     },
     [](const std::string &, HANDLE held) { CloseHandle(held); }},
    // A folder that takes no new file: the new image cannot even be written beside the old one.
    // (Wine lets root write into a read-only folder, and replaces a read-only file.)
    {"no new file in the folder",
     [](const std::string &path) {
         CreateDirectoryA((path + ".tmp").c_str(), NULL);
         return static_cast<HANDLE>(NULL);
     },
     [](const std::string &path, HANDLE) { RemoveDirectoryA((path + ".tmp").c_str()); }},
};

} // namespace

TEST_F(Program, AnUnwritableSettingsFileIsNamedAtExitOnlyAndKeptAsItWas) {
    Settings record;
    applyDefaults(&record);
    record.checkAtStartup = 0;
    record.msgRect = {40, 50, 240, 100};
    writeSettings(record);
    const std::vector<BYTE> original = settingsFile();
    const std::string path = folder + "ini.dat";

    for (const Blocker &blocker : kBlockers) {
        for (UINT ending : {UINT(WM_CLOSE), UINT(WM_ENDSESSION)}) {
            SCOPED_TRACE(std::string(blocker.what) + (ending == WM_CLOSE ? ", exit" : ", logoff"));
            int iconsBefore = trayIcons();
            HANDLE process = start();
            ASSERT_TRUE(process);
            HWND window = mainWindow();
            ASSERT_TRUE(window);
            // Closing the window twice parks it and records the parked place: a change to save.
            HWND shown = windowOfClass("vemoMsgClass");
            ASSERT_TRUE(shown);
            for (int i = 0; i < 2; i++)
                SendMessageA(shown, WM_CLOSE, 0, 0);

            HANDLE held = blocker.hold(path);
            PostMessageA(window, ending, ending == WM_ENDSESSION, 0);
            if (ending == WM_CLOSE) {
                HWND box = waitForWindow("#32770", "vemo", kTimeoutMs);
                ASSERT_TRUE(box);
                EXPECT_EQ(messageBoxText(box), "設定を ' " + path + " ' に保存できませんでした。");
                EXPECT_EQ(GetWindow(box, GW_OWNER), window);
                EXPECT_TRUE(trayIconsBecome(iconsBefore)) << "the icon goes before the box comes";
                DWORD_PTR result; // a shell restarted now gets no icon back
                SendMessageTimeoutA(window, RegisterWindowMessageA("TaskbarCreated"), 0, 0,
                                    SMTO_NORMAL, kTimeoutMs, &result);
                EXPECT_FALSE(trayIconsBecome(iconsBefore + 1));
                pressOk(box);
            }
            EXPECT_EQ(exitCode(process), 0u) << "a box left waiting would keep the program alive";
            blocker.release(path, held);
            EXPECT_TRUE(settingsFile() == original);
            EXPECT_EQ(GetFileAttributesA((path + ".tmp").c_str()), INVALID_FILE_ATTRIBUTES);
        }
    }

    // Once the file can be written again, the exit saves quietly.
    HANDLE process = start();
    ASSERT_TRUE(process);
    HWND window = mainWindow();
    ASSERT_TRUE(window);
    SendMessageA(windowOfClass("vemoMsgClass"), WM_CLOSE, 0, 0);
    SendMessageA(windowOfClass("vemoMsgClass"), WM_CLOSE, 0, 0);
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(waitForWindow("#32770", "vemo", 1000));
    EXPECT_EQ(exitCode(process), 0u);
    Settings saved;
    ASSERT_TRUE(readSettings(&saved));
    EXPECT_EQ(saved.msgRect.left, -1000);
}

TEST_F(Program, AnAccountAddedInTheSettingsDialogOutlivesAKilledProcess) {
    Settings record;
    applyDefaults(&record);
    record.checkAtStartup = 0;
    writeSettings(record);
    // Nothing listens there: no round runs in this story, and none could reach further.
    const Account added = {"会社", kNeverChecked, "user", "secret", 0};

    HANDLE process = start();
    ASSERT_TRUE(process);
    HWND window = mainWindow();
    ASSERT_TRUE(window);
    HWND settings = openSettings(window);
    ASSERT_TRUE(settings);
    ASSERT_TRUE(addAccount(settings, added));
    // Cancel takes back the options of the dialog, not its account changes.
    press(settings, IDCANCEL);
    ASSERT_TRUE(waitGone(settings));
    ASSERT_TRUE(TerminateProcess(process, 1));
    ASSERT_EQ(WaitForSingleObject(process, kTimeoutMs), WAIT_OBJECT_0);
    // The killed program's windows go a moment after the process: the restart's must be found.
    for (DWORD start = GetTickCount(); IsWindow(window) && GetTickCount() - start < kTimeoutMs;)
        Sleep(20);
    ASSERT_FALSE(IsWindow(window));

    Settings saved;
    ASSERT_TRUE(readSettings(&saved));
    EXPECT_STREQ(saved.names[0], added.name);
    EXPECT_STREQ(saved.servers[0], added.server);
    EXPECT_STREQ(saved.users[0], added.user);
    EXPECT_STREQ(saved.passwords[0], added.password);

    process = start();
    ASSERT_TRUE(process);
    window = mainWindow();
    ASSERT_TRUE(window);
    settings = openSettings(window);
    ASSERT_TRUE(settings);
    EXPECT_TRUE(listHolds(settings, {added.name}));
    press(settings, IDCANCEL);
    ASSERT_TRUE(waitGone(settings));
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(exitCode(process), 0u);
}
