// The settings dialog and the account dialog of the running program, driven from outside: commands
// and texts go in as window messages, message boxes are read and answered on the screen.
// Their Dovecot holds the mailboxes of "one" (2 messages) and "two" (5).
#include "e2e/dialogs.h"
#include "e2e/program.h"
#include "e2e/rounds.h"
#include "res/resource.h"
#include "support/addresses.h"

#include <string>
#include <vector>

namespace {

void select(HWND settings, int index) {
    SendDlgItemMessageA(settings, IDC_ACCOUNT_LIST, LB_SETCURSEL, index, 0);
}

std::string itemText(HWND dialog, int id) {
    char text[300] = "";
    SendDlgItemMessageA(dialog, id, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

void expectAccount(const Settings &record, int slot, const Account &account) {
    EXPECT_STREQ(record.names[slot], account.name) << "slot " << slot;
    EXPECT_STREQ(record.servers[slot], account.server) << "slot " << slot;
    EXPECT_STREQ(record.users[slot], account.user) << "slot " << slot;
    EXPECT_STREQ(record.passwords[slot], account.password) << "slot " << slot;
    EXPECT_EQ(record.apop[slot], account.apop) << "slot " << slot;
}

void putAccount(Settings *record, int slot, const Account &account) {
    setAccount(record, slot, account.name, account.server, account.user, account.password);
    record->apop[slot] = account.apop;
}

void expectFreeSlot(const Settings &record, int slot) {
    EXPECT_STREQ(record.names[slot], "") << "slot " << slot;
    EXPECT_STREQ(record.servers[slot], "") << "slot " << slot;
    EXPECT_STREQ(record.users[slot], "") << "slot " << slot;
    EXPECT_STREQ(record.passwords[slot], "") << "slot " << slot;
    EXPECT_EQ(record.apop[slot], 0) << "slot " << slot;
}

const Account kHome = {"自宅", kDialogDovecot, "one", "first", 1};
const Account kWork = {"work", kDialogDovecot, "two", "second", 0};

class SettingsDialog : public Program {
  protected:
    void SetUp() override {
        Program::SetUp();
        process = start();
        ASSERT_TRUE(process);
        window = mainWindow();
        ASSERT_TRUE(window);
    }
    // Ends the program through its main window; true when it exited with 0.
    bool exitProgram() {
        PostMessageA(window, WM_CLOSE, 0, 0);
        return exitCode(process) == 0;
    }
    HANDLE process = NULL;
    HWND window = NULL;
};

struct Control {
    int id;
    const char *className;
    const char *caption;
    DWORD style; // besides WS_CHILD | WS_VISIBLE
    RECT box;    // x, y, width, height in dialog units
};

const DWORD kListStyle =
    LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_DISABLENOSCROLL | WS_VSCROLL | WS_BORDER | WS_TABSTOP;
const DWORD kEditStyle = ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;
const DWORD kPush = BS_PUSHBUTTON | WS_TABSTOP;
const DWORD kLabel = SS_LEFT | WS_GROUP;

const Control kSettingsControls[] = {
    {-1, "Button", "アカウント", BS_GROUPBOX, {7, 7, 189, 78}},
    {1014, "ListBox", "", kListStyle, {17, 25, 123, 47}},
    {1008, "Button", "追加(&A)", kPush, {149, 25, 35, 14}},
    {1009, "Button", "編集(&E)", kPush, {149, 42, 35, 14}},
    {1010, "Button", "削除(&D)", kPush, {149, 59, 35, 14}},
    {-1, "Button", "メッセージウインドウ", BS_GROUPBOX, {7, 149, 189, 41}},
    {1006, "Button", "ウインドウの色(&W)", kPush, {26, 167, 63, 14}},
    {1007, "Button", "フォント(&F)", kPush, {110, 167, 63, 14}},
    {-1, "Static", "チェック間隔(分)：", kLabel, {17, 115, 52, 10}},
    {1004, "Edit", "10", kEditStyle, {70, 113, 26, 14}},
    {1012, "msctls_updown32", "Spin1", 0xB7, {91, 113, 10, 12}},
    {1, "Button", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, {206, 7, 50, 14}},
    {2, "Button", "ｷｬﾝｾﾙ", kPush, {206, 24, 50, 14}},
    {-1, "Static", "起動メーラー：", kLabel, {7, 208, 42, 8}},
    {1005, "Edit", "", kEditStyle, {52, 205, 144, 14}},
    {1011, "Button", "参照", kPush, {199, 205, 21, 14}},
    {-1, "Button", "メールチェック", BS_GROUPBOX, {7, 97, 189, 40}},
    {1015, "Button", "起動時にチェックする", BS_AUTOCHECKBOX | WS_TABSTOP, {107, 115, 74, 11}},
};

const Control kAccountControls[] = {
    {-1, "Static", "表示名：", kLabel, {7, 9, 42, 9}},
    {1000, "Edit", "", kEditStyle, {50, 7, 116, 13}},
    {-1, "Static", "POP3サーバ：", kLabel, {7, 23, 42, 9}},
    {1001, "Edit", "", kEditStyle, {50, 22, 116, 13}},
    {-1, "Static", "ユーザ名：", kLabel, {7, 38, 42, 9}},
    {1002, "Edit", "", kEditStyle, {50, 37, 116, 13}},
    {-1, "Static", "パスワード：", kLabel, {7, 53, 42, 9}},
    {1003, "Edit", "", ES_PASSWORD | kEditStyle, {50, 52, 116, 13}},
    {1013, "Button", "APOP認証", BS_AUTOCHECKBOX | WS_TABSTOP, {50, 69, 49, 11}},
    {1, "Button", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, {177, 7, 50, 14}},
    {2, "Button", "ｷｬﾝｾﾙ", kPush, {177, 24, 50, 14}},
};

// A template's box (x, y, width, height in dialog units) in pixels, measured on a hidden copy of
// the same template made in this process: the platform converts only for dialogs of the calling
// process. Position and size are converted each on their own, as the dialog manager does.
RECT pixelsOf(HWND twin, const RECT &box) {
    RECT pixels = box;
    MapDialogRect(twin, &pixels);
    return pixels;
}

INT_PTR CALLBACK quietDialog(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}

HWND twinOf(const std::string &exe, int templateId) {
    HMODULE module = LoadLibraryExA(exe.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    if (!module)
        return NULL;
    EXPECT_TRUE(FindResourceExA(module, RT_DIALOG, MAKEINTRESOURCEA(templateId),
                                MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT)))
        << "template " << templateId << " in Japanese";
    HWND twin = CreateDialogParamA(module, MAKEINTRESOURCEA(templateId), NULL, quietDialog, 0);
    return twin;
}

// The text a window shows; an edit keeps its text where only its own messages reach it.
std::string textOf(HWND window) {
    wchar_t text[256] = L"";
    SendMessageW(window, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text));
    char bytes[512] = "";
    WideCharToMultiByte(932, 0, text, -1, bytes, sizeof bytes, NULL, NULL);
    return bytes;
}

// The control's box in pixels in its dialog: x, y, width, height.
RECT boxOf(HWND dialog, HWND control) {
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(NULL, dialog, reinterpret_cast<POINT *>(&rect), 2);
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

void expectControls(HWND dialog, HWND twin, const Control *expected, size_t count) {
    HWND child = GetWindow(dialog, GW_CHILD);
    for (size_t i = 0; i < count; i++, child = GetWindow(child, GW_HWNDNEXT)) {
        const Control &want = expected[i];
        SCOPED_TRACE(testing::Message() << "control " << i + 1 << " " << want.id);
        ASSERT_TRUE(child);
        char className[64] = "";
        GetClassNameA(child, className, sizeof className);
        EXPECT_STRCASEEQ(className, want.className);
        EXPECT_EQ(static_cast<WORD>(GetDlgCtrlID(child)), static_cast<WORD>(want.id));
        EXPECT_EQ(textOf(child), want.caption);
        // Edits and lists draw a WS_BORDER from the template as a sunken client edge.
        DWORD style = static_cast<DWORD>(GetWindowLongA(child, GWL_STYLE));
        if (GetWindowLongA(child, GWL_EXSTYLE) & WS_EX_CLIENTEDGE)
            style |= WS_BORDER;
        EXPECT_EQ(style, WS_CHILD | WS_VISIBLE | want.style) << std::hex << style;
        RECT box = boxOf(dialog, child), pixels = pixelsOf(twin, want.box);
        EXPECT_EQ(box.top, pixels.top);
        if (want.id == IDC_INTERVAL || want.id == IDC_INTERVAL_SPIN)
            continue; // placed by the up-down control, below
        EXPECT_EQ(box.left, pixels.left);
        EXPECT_EQ(box.right, pixels.right);
        EXPECT_EQ(box.bottom, pixels.bottom);
    }
    EXPECT_FALSE(child) << "more controls than expected";
}

void expectFrame(HWND dialog, HWND twin, const char *title, LONG width, LONG height) {
    char caption[64] = "";
    GetWindowTextA(dialog, caption, sizeof caption);
    EXPECT_STREQ(caption, title);
    DWORD style = static_cast<DWORD>(GetWindowLongA(dialog, GWL_STYLE));
    DWORD frame = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
    EXPECT_EQ(style & frame, frame) << std::hex << style;
    // The template's font, as the dialog manager made it for the copy in this process.
    LOGFONTA font = {};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(twin, WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_STREQ(font.lfFaceName, "ＭＳ Ｐゴシック");
    HDC screen = GetDC(NULL);
    EXPECT_EQ(font.lfHeight, -MulDiv(9, GetDeviceCaps(screen, LOGPIXELSY), 72));
    ReleaseDC(NULL, screen);
    RECT client;
    GetClientRect(dialog, &client);
    RECT pixels = pixelsOf(twin, {0, 0, width, height});
    EXPECT_EQ(client.right, pixels.right);
    EXPECT_EQ(client.bottom, pixels.bottom);
}

} // namespace

TEST_F(SettingsDialog, BothDialogsAreBuiltAsTheTemplatesSay) {
    HWND settings = openSettings(window);
    ASSERT_TRUE(settings);
    HWND settingsTwin = twinOf(exe, IDD_SETTINGS);
    ASSERT_TRUE(settingsTwin);
    expectFrame(settings, settingsTwin, kSettingsTitle, 263, 230);
    expectControls(settings, settingsTwin, kSettingsControls, std::size(kSettingsControls));
    // The up-down control sits inside the right end of its buddy's box and narrows the buddy.
    RECT edit = boxOf(settings, GetDlgItem(settings, IDC_INTERVAL));
    RECT arrows = boxOf(settings, GetDlgItem(settings, IDC_INTERVAL_SPIN));
    RECT editBox = pixelsOf(settingsTwin, {70, 113, 26, 14});
    EXPECT_EQ(edit.left, editBox.left);
    EXPECT_EQ(edit.bottom, editBox.bottom);
    EXPECT_EQ(edit.right + arrows.right, editBox.right);
    EXPECT_GT(arrows.left, edit.left);
    EXPECT_LE(arrows.left + arrows.right, editBox.left + editBox.right);
    EXPECT_EQ(arrows.bottom, editBox.bottom);

    HWND account = openAccountDialog(settings, IDC_ADD_ACCOUNT);
    ASSERT_TRUE(account);
    HWND accountTwin = twinOf(exe, IDD_ACCOUNT);
    ASSERT_TRUE(accountTwin);
    expectFrame(account, accountTwin, kAccountTitle, 234, 93);
    expectControls(account, accountTwin, kAccountControls, std::size(kAccountControls));

    press(account, IDCANCEL);
    EXPECT_TRUE(waitGone(account));
    press(settings, IDCANCEL);
    EXPECT_TRUE(waitGone(settings));
    EXPECT_TRUE(exitProgram());
}

TEST_F(SettingsDialog, SetUpFromNothingSavesExactlyWhatWasTyped) {
    HWND settings = openSettings(window);
    ASSERT_TRUE(settings);
    EXPECT_TRUE(listHolds(settings, {}));
    EXPECT_EQ(itemText(settings, IDC_INTERVAL), "10");
    ASSERT_TRUE(addAccount(settings, kHome));
    ASSERT_TRUE(addAccount(settings, kWork));
    EXPECT_TRUE(listHolds(settings, {kHome.name, kWork.name}));
    SetDlgItemTextA(settings, IDC_INTERVAL, "25");
    SetDlgItemTextA(settings, IDC_MAILER_PATH, "C:\\メール\\mail.exe");
    SendDlgItemMessageA(settings, IDC_CHECK_AT_STARTUP, BM_SETCHECK, BST_UNCHECKED, 0);
    press(settings, IDOK);
    ASSERT_TRUE(waitGone(settings));

    // Saved before the dialog has gone, not only at exit.
    Settings record;
    ASSERT_TRUE(readSettings(&record));
    expectAccount(record, 0, kHome);
    ASSERT_TRUE(exitProgram());

    ASSERT_TRUE(readSettings(&record));
    Settings expected = defaultSettings();
    putAccount(&expected, 0, kHome);
    putAccount(&expected, 1, kWork);
    expected.interval = 25;
    expected.checkAtStartup = 0;
    strcpy(expected.mailerPath, "C:\\メール\\mail.exe");
    EXPECT_EQ(memcmp(&record, &expected, kSettingsSize), 0);

    // The next run checks both accounts, one of them by APOP, with what was typed.
    process = start();
    ASSERT_TRUE(process);
    window = mainWindow();
    ASSERT_TRUE(window);
    clickTrayIcon(window);
    HWND shown = shownMsgWindow();
    ASSERT_TRUE(shown);
    // The window of the defaults holds only the first line: made taller, it shows them all.
    SetWindowPos(shown, NULL, 0, 0, 300, 100, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_TRUE(showsText(shown, record, "自宅 ： 2 通\nwork ： 5 通\n"));
    EXPECT_TRUE(exitProgram());
}

TEST_F(SettingsDialog, RefusalsLeaveTheAccountsAsTheyWere) {
    HWND settings = openSettings(window);
    ASSERT_TRUE(settings);

    press(settings, IDC_EDIT_ACCOUNT);
    EXPECT_EQ(answerBox(), "編集するアカウントを選択してください。");
    press(settings, IDC_DELETE_ACCOUNT);
    EXPECT_EQ(answerBox(), "削除するアカウントを選択してください。");
    EXPECT_FALSE(FindWindowA("#32770", kAccountTitle));

    // The required fields one after the other, then a name already in use.
    ASSERT_TRUE(addAccount(settings, kHome));
    HWND account = openAccountDialog(settings, IDC_ADD_ACCOUNT);
    ASSERT_TRUE(account);
    press(account, IDOK);
    EXPECT_EQ(answerBox(), "「表示名」が空欄です。");
    SetDlgItemTextA(account, IDC_ACCOUNT_NAME, kHome.name);
    SetDlgItemTextA(account, IDC_ACCOUNT_USER, "u");
    press(account, IDOK);
    EXPECT_EQ(answerBox(), "「POP3サーバー名」が空欄です。");
    SetDlgItemTextA(account, IDC_ACCOUNT_SERVER, "s");
    SetDlgItemTextA(account, IDC_ACCOUNT_USER, "");
    press(account, IDOK);
    EXPECT_EQ(answerBox(), "「ユーザー名」が空欄です。");
    SetDlgItemTextA(account, IDC_ACCOUNT_USER, "u");
    press(account, IDOK);
    EXPECT_EQ(answerBox(), "「パスワード」が空欄です。");
    SetDlgItemTextA(account, IDC_ACCOUNT_PASSWORD, "p");
    press(account, IDOK);
    EXPECT_EQ(answerBox(), "この表示名は登録済みです。");
    EXPECT_EQ(itemText(account, IDC_ACCOUNT_SERVER), "s") << "the fields stay as typed";
    SetDlgItemTextA(account, IDC_ACCOUNT_NAME, kWork.name);
    press(account, IDOK);
    ASSERT_TRUE(waitGone(account));

    // Renaming the second account onto the first.
    select(settings, 1);
    account = openAccountDialog(settings, IDC_EDIT_ACCOUNT);
    ASSERT_TRUE(account);
    EXPECT_EQ(itemText(account, IDC_ACCOUNT_NAME), kWork.name);
    EXPECT_EQ(itemText(account, IDC_ACCOUNT_PASSWORD), "p");
    SetDlgItemTextA(account, IDC_ACCOUNT_NAME, kHome.name);
    press(account, IDOK);
    EXPECT_EQ(answerBox(), "この表示名は登録済みです。");
    press(account, IDCANCEL);
    ASSERT_TRUE(waitGone(account));

    // Delete answered No.
    select(settings, 0);
    press(settings, IDC_DELETE_ACCOUNT);
    EXPECT_EQ(answerBox(IDNO), "' 自宅 ' を削除してよろしいですか？");
    EXPECT_TRUE(listHolds(settings, {kHome.name, kWork.name}));

    // A sixth account.
    ASSERT_TRUE(addAccount(settings, {"c", "s", "u", "p", 0}));
    ASSERT_TRUE(addAccount(settings, {"d", "s", "u", "p", 0}));
    ASSERT_TRUE(addAccount(settings, {"e", "s", "u", "p", 0}));
    press(settings, IDC_ADD_ACCOUNT);
    EXPECT_EQ(answerBox(), "アカウントは５個までです。");
    EXPECT_FALSE(FindWindowA("#32770", kAccountTitle));

    // Delete answered Yes leaves no selection.
    select(settings, 1);
    press(settings, IDC_DELETE_ACCOUNT);
    EXPECT_EQ(answerBox(IDYES), "' work ' を削除してよろしいですか？");
    EXPECT_TRUE(listHolds(settings, {kHome.name, "c", "d", "e"}));
    press(settings, IDC_DELETE_ACCOUNT);
    EXPECT_EQ(answerBox(), "削除するアカウントを選択してください。");

    press(settings, IDCANCEL);
    ASSERT_TRUE(waitGone(settings));
    ASSERT_TRUE(exitProgram());
    Settings record;
    ASSERT_TRUE(readSettings(&record));
    expectAccount(record, 0, kHome);
    expectFreeSlot(record, 1);
    EXPECT_STREQ(record.names[2], "c");
    EXPECT_STREQ(record.names[3], "d");
    EXPECT_STREQ(record.names[4], "e");
}

TEST_F(SettingsDialog, ExitWhileOpenSavesTheAccountsButNotTheUnconfirmedOptions) {
    HWND settings = openSettings(window);
    ASSERT_TRUE(settings);
    ASSERT_TRUE(addAccount(settings, kWork));
    SetDlgItemTextA(settings, IDC_INTERVAL, "30");
    SetDlgItemTextA(settings, IDC_MAILER_PATH, "C:\\mail.exe");
    SendDlgItemMessageA(settings, IDC_CHECK_AT_STARTUP, BM_SETCHECK, BST_UNCHECKED, 0);
    ASSERT_TRUE(exitProgram());

    // Interval, mail program and start-up check as they were before the dialog opened.
    Settings record, expected = defaultSettings();
    ASSERT_TRUE(readSettings(&record));
    putAccount(&expected, 0, kWork);
    EXPECT_EQ(memcmp(&record, &expected, kSettingsSize), 0);
}

TEST_F(SettingsDialog, LongNameIsCutToItsFieldAndTheDeleteQuestionShowsItWhole) {
    HWND settings = openSettings(window);
    ASSERT_TRUE(settings);
    std::string name(300, 'n');
    ASSERT_TRUE(addAccount(settings, {name.c_str(), "s", "u", "p", 0}));
    std::string stored(255, 'n');
    EXPECT_TRUE(listHolds(settings, {stored}));

    select(settings, 0);
    press(settings, IDC_DELETE_ACCOUNT);
    EXPECT_EQ(answerBox(IDYES), "' " + stored + " ' を削除してよろしいですか？");
    EXPECT_TRUE(listHolds(settings, {}));
    press(settings, IDOK);
    ASSERT_TRUE(waitGone(settings));
    ASSERT_TRUE(exitProgram());
    Settings record;
    ASSERT_TRUE(readSettings(&record));
    expectFreeSlot(record, 0);
}

TEST_F(SettingsDialog, TicksWhileOpenStartNoRoundAfterCancelOneDoesAfterOkTheNewIntervalCounts) {
    ASSERT_TRUE(exitProgram());
    Settings record = defaultSettings();
    putAccount(&record, 0, kHome);
    record.checkAtStartup = 0;
    writeSettings(record);
    process = start();
    ASSERT_TRUE(process);
    window = mainWindow();
    ASSERT_TRUE(window);

    HWND settings = openSettings(window);
    ASSERT_TRUE(settings);
    for (int minute = 1; minute <= 3; minute++)
        tick(window);
    EXPECT_FALSE(IsWindowVisible(msgWindow())) << "no round while the dialog is open";
    press(settings, IDCANCEL);
    ASSERT_TRUE(waitGone(settings));
    tick(window);
    HWND shown = shownMsgWindow();
    ASSERT_TRUE(shown) << "the first tick after Cancel checks";
    EXPECT_TRUE(showsText(shown, record, "自宅 ： 2 通\n"));

    // OK with an interval of 2: the second tick after it checks, not the first.
    deliver(shown, WM_LBUTTONDOWN);
    ASSERT_TRUE(isParked(shown));
    settings = openSettings(window);
    ASSERT_TRUE(settings);
    SetDlgItemTextA(settings, IDC_INTERVAL, "2");
    press(settings, IDOK);
    ASSERT_TRUE(waitGone(settings));
    tick(window);
    EXPECT_TRUE(isParked(shown));
    tick(window);
    EXPECT_FALSE(isParked(shown));
    EXPECT_TRUE(exitProgram());
}
