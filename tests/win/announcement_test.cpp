// The application layer over real rounds: the program's main window, clicked in the tray and
// ticked, against Dovecot, with the player of the new-mail sound replaced by a recorder.
#include "app/app.h"
#include "mailcheck/round.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "support/addresses.h"
#include "support/message_boxes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> g_played;

BOOL WINAPI recordSound(LPCSTR sound, HMODULE module, DWORD flags) {
    g_played.push_back(std::string(sound) + (module ? " module " : " ") + std::to_string(flags));
    return TRUE;
}

} // namespace

// "alice" has three messages: the first round announces them, a round that finds them again says
// nothing, and once the account is edited they are news again.
TEST(Announcement, TheRoundsAskForTheNewMailSoundExactlyWhenTheyFoundNewMail) {
    g_instance = GetModuleHandleA(NULL);
    applyDefaults(&g_settings);
    g_settings.checkAtStartup = 0;
    lstrcpyA(g_settings.names[0], "自宅");
    lstrcpyA(g_settings.servers[0], kDovecot);
    lstrcpyA(g_settings.users[0], "alice");
    lstrcpyA(g_settings.passwords[0], "wonderland");
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = mainWindowProc;
    windowClass.hInstance = g_instance;
    windowClass.lpszClassName = "vemoAnnouncementTest";
    ASSERT_TRUE(RegisterClassA(&windowClass));
    HWND window = CreateWindowExA(0, windowClass.lpszClassName, "", 0, 0, 0, 0, 0, NULL, NULL,
                                  g_instance, NULL);
    ASSERT_TRUE(window);
    g_playSound = recordSound;
    BoxWatcher boxes;
    const std::string mailBeep =
        "MailBeep " + std::to_string(SND_ALIAS | SND_ASYNC | SND_NODEFAULT);
    std::vector<std::string> expected;
    const struct {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        bool forget, plays;
    } steps[] = {
        {WM_TRAYNOTIFY, ID_TRAY_ICON, WM_LBUTTONDOWN, false, true},
        {WM_TRAYNOTIFY, ID_TRAY_ICON, WM_LBUTTONDOWN, false, false},
        {WM_TIMER, ID_CHECK_TIMER, 0, false, false},
        {WM_TRAYNOTIFY, ID_TRAY_ICON, WM_LBUTTONDOWN, true, true},
    };
    for (const auto &step : steps) {
        if (step.forget)
            forgetAccount(0);
        SendMessageA(window, step.message, step.wParam, step.lParam);
        if (step.plays)
            expected.push_back(mailBeep);
        EXPECT_EQ(g_played, expected);
    }
    EXPECT_TRUE(boxes.stop().empty());
    DestroyWindow(window);
}
