// The program on a computer without a network, run by offline_story.sh in a network namespace of
// its own: loopback only, until the story asks for a default route. Automatic rounds wait, a manual
// round answers, and the first tick once the computer is online runs the held round.
#include "e2e/dialogs.h"
#include "e2e/program.h"
#include "e2e/rounds.h"
#include "support/addresses.h"
#include "support/script_server.h"

namespace {

// Asks offline_story.sh for a default route and waits until it is there.
bool goOnline() {
    char request[MAX_PATH] = "";
    GetEnvironmentVariableA("VEMO_ONLINE_REQUEST", request, sizeof request);
    CloseHandle(CreateFileA(request, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
    std::string done = std::string(request) + ".done";
    return becomes([&] { return GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES; });
}

} // namespace

TEST_F(Program, AutomaticRoundsWaitWhileOfflineAndTheFirstTickOnlineRunsThem) {
    const std::string unreadable =
        "' 外 ' のサーバが見つかりません。\nアカウントの設定が正しいか確認してください。";
    Settings record = defaultSettings();
    setAccount(&record, 0, "自宅", kOfflineResponder, "user", "secret");
    setAccount(&record, 1, "外", "mail.example.jp:0", "user", "secret"); // fails without a lookup
    WSADATA winsock;
    ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &winsock), 0); // the server's own reference
    Pop3Responder mail(kOfflineResponder, 3, 0);
    ASSERT_TRUE(mail.listening());
    HANDLE process;
    HWND window = startWith(record, &process);
    ASSERT_TRUE(window);

    // The start-up round and a due tick are held: nothing is asked, nothing is shown.
    tick(window);
    EXPECT_TRUE(becomes(
        [] { return trayTip() == L"vemo ver 0.01\nオフラインのため自動チェックを保留中"; }));
    EXPECT_EQ(mail.sessions(), 0);
    EXPECT_FALSE(FindWindowA("#32770", "vemo"));
    EXPECT_FALSE(IsWindowVisible(msgWindow()));

    // A click is answered as ever, boxes and all.
    clickTrayIcon(window);
    EXPECT_EQ(answerBox(), unreadable);
    HWND shown = shownMsgWindow();
    ASSERT_TRUE(shown);
    EXPECT_TRUE(showsText(shown, record, "自宅 ： 3 通\n"));
    EXPECT_EQ(mail.sessions(), 1);

    // Online, the next tick runs the held round.
    deliver(shown, WM_LBUTTONDOWN);
    ASSERT_TRUE(goOnline());
    PostMessageA(window, WM_TIMER, ID_CHECK_TIMER, 0);
    EXPECT_EQ(answerBox(), unreadable);
    EXPECT_TRUE(shownMsgWindow());
    EXPECT_EQ(mail.sessions(), 2);
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(exitCode(process), 0u);
    WSACleanup();
}
