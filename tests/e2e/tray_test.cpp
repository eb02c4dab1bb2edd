// The tray program at work: rounds at start-up, by the timer and by a click, the notification
// window, the Startup shortcut and the shutdown, seen from outside through window messages, the
// screen and the files the program leaves. Their Dovecot holds the mailboxes of "one" (1 message),
// "two" (none) and "three" (7).
#include "e2e/dialogs.h"
#include "e2e/program.h"
#include "e2e/rounds.h"
#include "res/resource.h"
#include "support/addresses.h"
#include "support/script_server.h"

#include <shlobj.h>

namespace {

std::string describe(const RECT &rect) {
    return std::to_string(rect.left) + "," + std::to_string(rect.top) + "," +
           std::to_string(rect.right) + "," + std::to_string(rect.bottom);
}

// On the screen, topmost, at `rect`: where a round puts the window.
void expectShownAt(HWND window, const RECT &rect) {
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_TRUE(isTopmost(window));
    EXPECT_EQ(describe(windowRect(window)), describe(rect));
}

// The system's scale (LogPixels) that Wine gives the programs started from now on.
void setSystemDpi(DWORD dpi) {
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels", REG_DWORD,
                              &dpi, sizeof dpi),
              ERROR_SUCCESS);
}

class Tray : public Program {
  protected:
    void TearDown() override {
        char startup[MAX_PATH];
        if (SHGetSpecialFolderPathA(NULL, startup, CSIDL_STARTUP, FALSE))
            DeleteFileA((std::string(startup) + "\\vemo.lnk").c_str());
        Program::TearDown();
    }
};

} // namespace

TEST_F(Tray, StartupRoundListsTheAccountsWithMailInSlotOrderAndTicksFollowTheInterval) {
    Settings record = defaultSettings();
    setAccount(&record, 0, "自宅", kE2eDovecot, "one", "first");
    setAccount(&record, 2, "two", kE2eDovecot, "two", "second");
    setAccount(&record, 4, "会社", kE2eDovecot, "three", "third");
    record.interval = 3;
    record.msgRect = {120, 80, 420, 180};
    record.msgBackColor = RGB(255, 255, 200);
    record.msgTextColor = RGB(0, 0, 160);
    HANDLE process;
    HWND window = startWith(record, &process);
    ASSERT_TRUE(window);

    HWND shown = shownMsgWindow();
    ASSERT_TRUE(shown);
    expectShownAt(shown, record.msgRect);
    EXPECT_TRUE(showsText(shown, record, "自宅 ： 1 通\n会社 ： 7 通\n"));
    EXPECT_NE(clientPixels(shown), clientPixels(shown, &record, "会社 ： 7 通\n自宅 ： 1 通\n"))
        << "the comparison must tell the order of the lines";

    // Every round shows the window again; parking it between ticks shows which ticks checked.
    // The first tick checks although the start-up round has just run; then every third does.
    std::string checked;
    for (int minute = 1; minute <= 7; minute++) {
        deliver(shown, WM_LBUTTONDOWN);
        ASSERT_TRUE(isParked(shown));
        if (minute == 2) { // a manual round in between moves nothing
            clickTrayIcon(window);
            for (DWORD start = GetTickCount(); isParked(shown) && GetTickCount() - start < 5000;)
                Sleep(20);
            expectShownAt(shown, record.msgRect);
            deliver(shown, WM_LBUTTONDOWN);
        }
        tick(window);
        checked += isParked(shown) ? '.' : 'R';
    }
    EXPECT_EQ(checked, "R..R..R");

    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(exitCode(process), 0u);
}

TEST_F(Tray, ManualRoundsSayWhenThereIsNothingWhileAutomaticOnesStaySilent) {
    // With an account but no mail, a click says so in the window and brings it to the front.
    Settings record = defaultSettings();
    setAccount(&record, 1, "two", kE2eDovecot, "two", "second");
    record.checkAtStartup = 0;
    record.msgRect = {10, 10, 210, 80}; // tall enough for its line: it does not grow
    HANDLE process;
    HWND window = startWith(record, &process);
    ASSERT_TRUE(window);
    clickTrayIcon(window);
    HWND shown = shownMsgWindow();
    ASSERT_TRUE(shown);
    expectShownAt(shown, record.msgRect);
    for (DWORD start = GetTickCount();
         GetForegroundWindow() != shown && GetTickCount() - start < 5000;)
        Sleep(20);
    EXPECT_EQ(GetForegroundWindow(), shown);
    EXPECT_TRUE(showsText(shown, record, "未受信メールはありません。"));

    // An automatic round without mail leaves the window where and as it was.
    std::vector<DWORD> before = clientPixels(shown);
    tick(window);
    expectShownAt(shown, record.msgRect);
    EXPECT_TRUE(clientPixels(shown) == before);
    PostMessageA(window, WM_CLOSE, 0, 0);
    ASSERT_EQ(exitCode(process), 0u);

    // Without accounts a click says so, and a tick says nothing.
    ASSERT_TRUE(DeleteFileA((folder + "ini.dat").c_str()));
    process = start();
    ASSERT_TRUE(process);
    window = mainWindow();
    ASSERT_TRUE(window);
    clickTrayIcon(window);
    HWND box = waitForWindow("#32770", "vemo", kTimeoutMs);
    ASSERT_TRUE(box);
    EXPECT_EQ(messageBoxText(box), "アカウントが登録されていません。");
    pressOk(box);
    for (DWORD start = GetTickCount(); IsWindow(box) && GetTickCount() - start < 5000;)
        Sleep(20);
    tick(window);
    EXPECT_FALSE(waitForWindow("#32770", "vemo", 500));
    EXPECT_FALSE(IsWindowVisible(msgWindow()));
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(exitCode(process), 0u);
}

TEST_F(Tray, AClickParksTheWindowTheExitKeepsWhereItWasAndAParkedPlaceComesBackAtTheOrigin) {
    Settings record = defaultSettings();
    setAccount(&record, 0, "one", kE2eDovecot, "one", "first");
    record.msgRect = {100, 100, 300, 170};
    HANDLE process;
    HWND window = startWith(record, &process);
    ASSERT_TRUE(window);
    HWND shown = shownMsgWindow();
    ASSERT_TRUE(shown);
    expectShownAt(shown, record.msgRect);

    // The user drags and widens the window, then clicks it away.
    SetWindowPos(shown, NULL, 150, 120, 220, 70, SWP_NOZORDER | SWP_NOACTIVATE);
    deliver(shown, WM_LBUTTONDOWN);
    EXPECT_TRUE(isParked(shown));
    PostMessageA(window, WM_CLOSE, 0, 0);
    ASSERT_EQ(exitCode(process), 0u);
    Settings saved;
    ASSERT_TRUE(readSettings(&saved));
    const RECT moved = {150, 120, 370, 190};
    EXPECT_EQ(describe(saved.msgRect), describe(moved));

    // The next start shows it there. Closing the parked window once more records the parked
    // place, which the next round pulls back to the origin.
    process = start();
    ASSERT_TRUE(process);
    window = mainWindow();
    ASSERT_TRUE(window);
    shown = shownMsgWindow();
    ASSERT_TRUE(shown);
    expectShownAt(shown, moved);
    deliver(shown, WM_CLOSE);
    EXPECT_TRUE(isParked(shown));
    deliver(shown, WM_CLOSE);
    EXPECT_TRUE(isParked(shown)) << "closing parks the window, it never destroys it";
    clickTrayIcon(window);
    for (DWORD start = GetTickCount(); isParked(shown) && GetTickCount() - start < 5000;)
        Sleep(20);
    const RECT origin = {0, 0, 200, 60};
    expectShownAt(shown, origin);
    PostMessageA(window, WM_CLOSE, 0, 0);
    ASSERT_EQ(exitCode(process), 0u);
    ASSERT_TRUE(readSettings(&saved));
    EXPECT_EQ(describe(saved.msgRect), describe(origin));
}

TEST_F(Tray, AMinimisedWindowComesBackAtTheNextRoundAndADeletedAccountLeavesNoByteInTheFile) {
    Settings record = defaultSettings();
    setAccount(&record, 0, "one", kE2eDovecot, "one", "first");
    record.msgRect = {100, 100, 300, 170};
    HANDLE process;
    HWND window = startWith(record, &process);
    ASSERT_TRUE(window);
    HWND shown = shownMsgWindow();
    ASSERT_TRUE(shown);

    // Dragged away, then minimised: a tool window has no taskbar button to come back from.
    SetWindowPos(shown, NULL, 150, 120, 200, 50, SWP_NOZORDER | SWP_NOACTIVATE);
    deliver(shown, WM_SYSCOMMAND, SC_MINIMIZE);
    ASSERT_TRUE(IsIconic(shown));
    deliver(window, WM_TRAYNOTIFY, ID_TRAY_ICON, WM_LBUTTONDOWN);
    EXPECT_FALSE(IsIconic(shown));
    expectShownAt(shown, record.msgRect);
    EXPECT_TRUE(showsText(shown, record, "one ： 1 通\n"));

    HWND settings = openSettings(window);
    ASSERT_TRUE(settings);
    SendDlgItemMessageA(settings, IDC_ACCOUNT_LIST, LB_SETCURSEL, 0, 0);
    press(settings, IDC_DELETE_ACCOUNT);
    EXPECT_EQ(answerBox(IDYES), "' one ' を削除してよろしいですか？");
    press(settings, IDOK);
    ASSERT_TRUE(waitGone(settings));
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(exitCode(process), 0u);
    // The file is as if the account had never been added.
    Settings saved, expected = defaultSettings();
    expected.msgRect = record.msgRect;
    ASSERT_TRUE(readSettings(&saved));
    EXPECT_EQ(memcmp(&saved, &expected, kSettingsSize), 0);
}

TEST_F(Tray, StartupToggleMakesALinkToTheProgramAndTheSecondToggleRemovesIt) {
    char folder[MAX_PATH];
    ASSERT_TRUE(SHGetSpecialFolderPathA(NULL, folder, CSIDL_STARTUP, TRUE));
    EXPECT_EQ(lstrcmpiA(folder, "C:\\users\\root\\AppData\\Roaming\\Microsoft\\Windows\\Start "
                                "Menu\\Programs\\StartUp"),
              0);
    std::string path = std::string(folder) + "\\vemo.lnk";
    DeleteFileA(path.c_str());
    HANDLE process = start();
    ASSERT_TRUE(process);
    HWND window = mainWindow();
    ASSERT_TRUE(window);

    deliver(window, WM_COMMAND, ID_TOGGLE_STARTUP);
    ASSERT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
    ASSERT_EQ(CoInitialize(NULL), S_OK);
    IShellLinkA *link = NULL;
    ASSERT_EQ(CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                               reinterpret_cast<void **>(&link)),
              S_OK);
    IPersistFile *file = NULL;
    ASSERT_EQ(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void **>(&file)), S_OK);
    WCHAR widePath[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, widePath, MAX_PATH);
    EXPECT_EQ(file->Load(widePath, STGM_READ), S_OK);
    char text[MAX_PATH] = "";
    link->GetPath(text, MAX_PATH, NULL, 0);
    EXPECT_EQ(lstrcmpiA(text, exe.c_str()), 0) << text;
    link->GetArguments(text, MAX_PATH);
    EXPECT_STREQ(text, "/s");
    link->GetDescription(text, MAX_PATH);
    EXPECT_STREQ(text, "vemo ver 0.01");
    link->GetWorkingDirectory(text, MAX_PATH);
    EXPECT_STREQ(text, "");
    int icon = -1;
    link->GetIconLocation(text, MAX_PATH, &icon);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(icon, 0);
    int show = -1;
    link->GetShowCmd(&show);
    EXPECT_EQ(show, SW_SHOWNORMAL);
    file->Release();
    link->Release();
    CoUninitialize();

    deliver(window, WM_COMMAND, ID_TOGGLE_STARTUP);
    EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(exitCode(process), 0u);
}

TEST_F(Tray, EndOfSessionDuringAnErrorBoxQuitsOnceSavesAndQueriesNoFurtherAccount) {
    WSADATA winsock;
    ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &winsock), 0); // the servers' own reference
    {
        ScriptedServer refusing(
            kRefusing, {sendLine("+OK ready\r\n"), readLine(), sendLine("-ERR no such user\r\n")});
        ScriptedServer next(kAfterRefusing, {sendLine("+OK ready\r\n")});
        ASSERT_TRUE(refusing.listening());
        ASSERT_TRUE(next.listening());
        Settings record = defaultSettings();
        setAccount(&record, 0, "refusing", kRefusing, "user", "secret");
        setAccount(&record, 1, "next", kAfterRefusing, "user", "secret");
        record.checkAtStartup = 0;
        writeSettings(record);
        int iconsBefore = trayIcons();
        HANDLE process = start();
        ASSERT_TRUE(process);
        HWND window = mainWindow();
        ASSERT_TRUE(window);
        EXPECT_TRUE(trayIconsBecome(iconsBefore + 1));
        DeleteFileA((folder + "ini.dat").c_str());

        clickTrayIcon(window);
        HWND box = waitForWindow("#32770", "vemo", kTimeoutMs);
        ASSERT_TRUE(box);
        EXPECT_EQ(messageBoxText(box), "' refusing ' のUSER名が正しくありません。");
        // Neither a click nor a due tick starts a second round over the open session.
        clickTrayIcon(window);
        tick(window);
        // The session ends while the box still waits for the user; even a called-off end (FALSE)
        // ends the program.
        PostMessageA(window, WM_ENDSESSION, FALSE, 0);
        EXPECT_EQ(exitCode(process), 0u);

        ScriptResult refused = refusing.finish(kTimeoutMs);
        EXPECT_EQ(refused.received, "USER user\r\nQUIT\r\n");
        EXPECT_TRUE(refused.clientClosed);
        EXPECT_FALSE(next.finish(500).connected) << "no account is queried after the shutdown";
        Settings saved;
        ASSERT_TRUE(readSettings(&saved)) << "the settings are saved at the shutdown";
        EXPECT_EQ(memcmp(&saved, &record, kSettingsSize), 0);
        EXPECT_TRUE(trayIconsBecome(iconsBefore));
        EXPECT_FALSE(msgWindow());
    }
    WSACleanup();
}

TEST_F(Tray, TheIconComesBackWhenARestartedShellAnnouncesItsTaskbar) {
    int iconsBefore = trayIcons();
    HANDLE process = start();
    ASSERT_TRUE(process);
    HWND window = mainWindow();
    ASSERT_TRUE(window);
    ASSERT_TRUE(trayIconsBecome(iconsBefore + 1));

    // The shell loses the icon, as a restarted one has none, then announces its new taskbar.
    NOTIFYICONDATAA icon = {};
    icon.cbSize = NOTIFYICONDATAA_V1_SIZE;
    icon.hWnd = window;
    icon.uID = ID_TRAY_ICON;
    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &icon));
    ASSERT_TRUE(trayIconsBecome(iconsBefore));
    deliver(window, RegisterWindowMessageA("TaskbarCreated"));
    EXPECT_TRUE(trayIconsBecome(iconsBefore + 1));

    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(exitCode(process), 0u);
    EXPECT_TRUE(trayIconsBecome(iconsBefore));
}

// At 150 % the window is made and drawn at the record's measures scaled; on a monitor at 200 % it
// takes the system's suggestion and a font for that scale, and the record keeps 96-DPI measures.
TEST_F(Tray, AtEachScaleTheWindowAndItsFontScaleAndTheRecordKeepsTheMeasuresOfOneHundredPercent) {
    Settings record = defaultSettings();
    setAccount(&record, 0, "one", kE2eDovecot, "one", "first");
    record.checkAtStartup = 0;
    HANDLE process;
    setSystemDpi(144);
    HWND window = startWith(record, &process);
    setSystemDpi(96);
    ASSERT_TRUE(window);
    EXPECT_EQ(describe(windowRect(windowOfClass("vemoMsgClass"))), "15,15,315,90");
    clickTrayIcon(window);
    HWND shown = shownMsgWindow();
    ASSERT_TRUE(shown);
    Settings scaled = record;
    scaled.msgFont.lfHeight = 18;
    EXPECT_TRUE(showsText(shown, scaled, "one ： 1 通\n", 15));

    // The suggested rectangle lives in the program's memory, as the system's would.
    const RECT suggested = {30, 40, 430, 190};
    void *remote = VirtualAllocEx(process, NULL, sizeof suggested, MEM_COMMIT, PAGE_READWRITE);
    ASSERT_TRUE(WriteProcessMemory(process, remote, &suggested, sizeof suggested, NULL));
    deliver(shown, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(remote));
    EXPECT_EQ(describe(windowRect(shown)), describe(suggested));
    scaled.msgFont.lfHeight = 24;
    EXPECT_TRUE(showsText(shown, scaled, "one ： 1 通\n", 20));
    deliver(shown, WM_LBUTTONDOWN); // out of the way of Wine's tray
    EXPECT_TRUE(becomes(trayIconMarked)) << "the marked picture at the tray's 24 pixels";
    PostMessageA(window, WM_CLOSE, 0, 0);
    ASSERT_EQ(exitCode(process), 0u);
    Settings saved;
    ASSERT_TRUE(readSettings(&saved));
    // The corner at the system's 150 %, the size at the monitor's 200 %.
    EXPECT_EQ(describe(saved.msgRect), "20,27,220,102");
}
