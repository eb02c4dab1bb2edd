// The program's main window over real rounds against Dovecot, where "alice" has three messages,
// with the player of the new-mail sound replaced by a counter.
#include "app/app.h"
#include "mailcheck/round.h"
#include "res/resource.h"
#include "support/addresses.h"
#include "support/message_boxes.h"

#include <gtest/gtest.h>

static int g_plays;

static BOOL WINAPI countMailBeep(LPCSTR sound, HMODULE module, DWORD flags) {
    g_plays +=
        !lstrcmpA(sound, "MailBeep") && !module && flags == (SND_ALIAS | SND_ASYNC | SND_NODEFAULT);
    return TRUE;
}

// The first round announces the mail that waits, rounds that find it again say nothing, and once
// the account is edited it is news again.
TEST(Announcement, TheRoundsAskForTheNewMailSoundExactlyWhenTheyFoundNewMail) {
    g_instance = GetModuleHandleA(NULL);
    applyDefaults(&g_settings);
    g_settings.checkAtStartup = 0;
    lstrcpyA(g_settings.names[0], "自宅");
    lstrcpyA(g_settings.servers[0], kDovecot);
    lstrcpyA(g_settings.users[0], "alice");
    lstrcpyA(g_settings.passwords[0], "wonderland");
    WNDCLASSA windowClass = {0, mainWindowProc, 0, 0, g_instance, NULL, NULL, NULL, NULL, "main"};
    ASSERT_TRUE(RegisterClassA(&windowClass));
    HWND window = CreateWindowExA(0, "main", "", 0, 0, 0, 0, 0, NULL, NULL, g_instance, NULL);
    ASSERT_TRUE(window);
    g_playSound = countMailBeep;
    BoxWatcher boxes;
    auto click = [window] {
        return SendMessageA(window, WM_TRAYNOTIFY, ID_TRAY_ICON, WM_LBUTTONDOWN), g_plays;
    };
    EXPECT_EQ(click(), 1);
    SendMessageA(window, WM_TIMER, ID_CHECK_TIMER, 0);
    EXPECT_EQ(click(), 1);
    forgetAccount(0);
    EXPECT_EQ(click(), 2);
    EXPECT_TRUE(boxes.stop().empty());
    DestroyWindow(window);
}
