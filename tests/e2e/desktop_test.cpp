// What a user of an ordinary desktop does to the program: minimises its window and deletes an
// account. Dovecot on 127.0.0.60 holds the mailbox of "one" (1 message).
#include "e2e/dialogs.h"
#include "e2e/program.h"
#include "e2e/rounds.h"
#include "res/resource.h"

namespace {

class Desktop : public Program {};

} // namespace

TEST_F(Desktop, AMinimisedWindowComesBackAtTheNextRoundAndADeletedAccountLeavesNoByteInTheFile) {
    Settings record = defaultSettings();
    setAccount(&record, 0, "one", "127.0.0.60", "one", "first");
    record.msgRect = {100, 100, 300, 150};
    writeSettings(record);
    HANDLE process = start();
    ASSERT_TRUE(process);
    HWND window = mainWindow();
    ASSERT_TRUE(window);
    HWND shown = shownMsgWindow();
    ASSERT_TRUE(shown);

    // Dragged away, then minimised: the window has no taskbar button to come back from.
    SetWindowPos(shown, NULL, 150, 120, 200, 50, SWP_NOZORDER | SWP_NOACTIVATE);
    deliver(shown, WM_SYSCOMMAND, SC_MINIMIZE);
    ASSERT_TRUE(IsIconic(shown));
    deliver(window, WM_TRAYNOTIFY, ID_TRAY_ICON, WM_LBUTTONDOWN);
    EXPECT_FALSE(IsIconic(shown));
    EXPECT_TRUE(IsWindowVisible(shown));
    EXPECT_TRUE(isTopmost(shown));
    RECT rect = windowRect(shown);
    EXPECT_TRUE(EqualRect(&rect, &record.msgRect))
        << rect.left << "," << rect.top << "," << rect.right << "," << rect.bottom;
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
