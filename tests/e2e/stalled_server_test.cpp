// A round waiting for a server that stalls or is late keeps the program answering its windows;
// an exit, the end of the Windows session or sleep then ends it at once, and what the user opened
// meanwhile leaves the round right. Scripted servers stand in for the stalled or late account
// (slot 0) and the next one.
#include "e2e/dialogs.h"
#include "e2e/program.h"
#include "e2e/rounds.h"
#include "support/addresses.h"
#include "support/script_server.h"

namespace {

const std::string kStalledImap = "imap://" + std::string(kStalled) + ":110";
const DWORD kStallMs = 20000;
const DWORD kAnswerMs = 200;
const DWORD kEndMs = 1000;

struct Stall {
    const char *what;
    UINT ending;
    std::vector<ScriptStep> script; // ends with the stall
    std::string heard;              // what the stalled server receives in all
    std::string server = kStalled;  // the stalled account's server field
};

} // namespace

TEST_F(Program, ARoundWaitingForAStalledServerAnswersAndEndsAtOnceAtExitLogOffOrSleep) {
    const Stall stalls[] = {
        {"greeting, exit", WM_CLOSE, {stall(kStallMs)}, ""},
        {"greeting, end of session", WM_ENDSESSION, {stall(kStallMs)}, ""},
        {"STAT reply, exit",
         WM_CLOSE,
         {sendLine("+OK\r\n"), readLine(), sendLine("+OK\r\n"), readLine(), sendLine("+OK\r\n"),
          readLine(), stall(kStallMs)},
         "USER user\r\nPASS secret\r\nSTAT\r\nQUIT\r\n"},
        {"STAT reply, sleep",
         WM_POWERBROADCAST,
         {sendLine("+OK\r\n"), readLine(), sendLine("+OK\r\n"), readLine(), sendLine("+OK\r\n"),
          readLine(), stall(kStallMs)},
         "USER user\r\nPASS secret\r\nSTAT\r\nQUIT\r\n"},
        {"IMAP STATUS reply, exit",
         WM_CLOSE,
         {sendLine("* OK [CAPABILITY IMAP4rev1] ready\r\n"), readLine(), sendLine("v1 OK\r\n"),
          readLine(), stall(kStallMs)},
         "v1 LOGIN \"user\" \"secret\"\r\nv2 STATUS INBOX (UNSEEN UIDNEXT UIDVALIDITY)\r\nv3 "
         "LOGOUT\r\n",
         kStalledImap},
    };
    Settings record = defaultSettings();
    setAccount(&record, 0, "stalled", kStalled, "user", "secret");
    setAccount(&record, 1, "next", kAfterStalled, "user", "secret");
    record.checkAtStartup = 0;
    WSADATA winsock;
    ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &winsock), 0); // the servers' own reference
    for (const Stall &stalled : stalls) {
        SCOPED_TRACE(stalled.what);
        ScriptedServer server(kStalled, stalled.script);
        ScriptedServer next(kAfterStalled, {sendLine("+OK\r\n")});
        ASSERT_TRUE(server.listening() && next.listening());
        lstrcpyA(record.servers[0], stalled.server.c_str());
        HANDLE process;
        HWND window = startWith(record, &process);
        ASSERT_TRUE(window);
        ASSERT_TRUE(DeleteFileA((folder + "ini.dat").c_str())); // the shutdown writes it anew

        clickTrayIcon(window);
        const int stallStep = static_cast<int>(stalled.script.size()) - 1;
        for (DWORD begin = GetTickCount();
             server.step() != stallStep && GetTickCount() - begin < kTimeoutMs;)
            Sleep(10);
        ASSERT_EQ(server.step(), stallStep);
        for (int probe = 0; probe < 5; probe++) {
            DWORD_PTR result;
            EXPECT_TRUE(SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, kAnswerMs, &result))
                << "probe " << probe;
            Sleep(100);
        }

        // Going to sleep ends the session as the shutdown does, but the program goes on.
        const bool sleeps = stalled.ending == WM_POWERBROADCAST;
        PostMessageA(window, stalled.ending, sleeps ? PBT_APMSUSPEND : TRUE, 0);
        bool boxShown = false;
        for (DWORD begin = GetTickCount();
             WaitForSingleObject(process, 10) == WAIT_TIMEOUT && GetTickCount() - begin < kEndMs;)
            boxShown = boxShown || FindWindowA("#32770", "vemo");
        EXPECT_EQ(WaitForSingleObject(process, 0) == WAIT_OBJECT_0, !sleeps)
            << "the program ends within 1 s, unless the computer sleeps";
        EXPECT_FALSE(boxShown) << "no message for the interrupted account";
        ScriptResult heard = server.finish(sleeps ? kEndMs : kTimeoutMs);
        EXPECT_EQ(heard.received, stalled.heard);
        EXPECT_TRUE(heard.clientClosed);
        EXPECT_FALSE(next.finish(500).connected) << "no account is queried after the interruption";
        if (sleeps) {
            EXPECT_FALSE(IsWindowVisible(msgWindow())) << "the round shows nothing";
            PostMessageA(window, WM_CLOSE, 0, 0);
        }
        EXPECT_EQ(exitCode(process), 0u);
        Settings saved;
        ASSERT_TRUE(readSettings(&saved)) << "the settings are saved at the shutdown";
        EXPECT_EQ(memcmp(&saved, &record, kSettingsSize), 0);
    }
    WSACleanup();
}

// A round whose IMAP server answers every command 2 s late comes out right of what the user opens
// while it waits: the settings dialog (asked for twice, shown once), in which the account being
// queried is deleted and another one takes its slot; a tick that falls due after the dialog has
// closed; the About box, held open past the reply deadline while STATUS is being answered. The
// count is shown under the name of the account that was queried, no box cries failure, and the
// tick held back by the round is not lost: the next one checks the new account.
TEST_F(Program, ARoundComesOutRightOfTheDialogAndBoxesOpenedWhileItsServerIsLate) {
    const DWORD kLateMs = 2000;
    const DWORD kAboutMs = 35000; // beyond the reply deadline of 30 s
    Settings record = defaultSettings();
    setAccount(&record, 0, "old", kStalledImap.c_str(), "user", "secret");
    record.checkAtStartup = 0;
    WSADATA winsock;
    ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &winsock), 0); // the servers' own reference
    ScriptedServer late(kStalled,
                        {stall(kLateMs), sendLine("* OK [CAPABILITY IMAP4rev1] ready\r\n"),
                         readLine(), stall(kLateMs), sendLine("v1 OK\r\n"), readLine(),
                         stall(kLateMs), sendLine("* STATUS INBOX (UNSEEN 4)\r\n"), stall(kLateMs),
                         sendLine("v2 OK\r\n"), stall(kAboutMs)});
    ASSERT_TRUE(late.listening());
    HANDLE process;
    HWND window = startWith(record, &process);
    ASSERT_TRUE(window);
    clickTrayIcon(window);
    for (DWORD begin = GetTickCount(); late.step() < 0 && GetTickCount() - begin < kTimeoutMs;)
        Sleep(10);

    HWND settings = openSettings(window);
    ASSERT_TRUE(settings);
    DWORD_PTR result;
    EXPECT_TRUE(
        SendMessageTimeoutA(window, WM_COMMAND, ID_OPEN_SETTINGS, 0, SMTO_NORMAL, 2000, &result))
        << "a second request only brings the open dialog to the front";
    HWND first = FindWindowExA(NULL, NULL, "#32770", kSettingsTitle);
    EXPECT_FALSE(FindWindowExA(NULL, first, "#32770", kSettingsTitle)) << "one settings dialog";
    SendDlgItemMessageA(settings, IDC_ACCOUNT_LIST, LB_SETCURSEL, 0, 0);
    press(settings, IDC_DELETE_ACCOUNT);
    EXPECT_EQ(answerBox(IDYES), "' old ' を削除してよろしいですか？");
    ASSERT_TRUE(addAccount(settings, {"new", kAfterStalled, "user", "secret", 0}));
    press(settings, IDCANCEL); // which keeps the accounts as they are now
    ASSERT_TRUE(waitGone(settings));
    tick(window); // the round still runs: it holds this tick back

    const int statusRead = 6; // the untagged reply 2 s later, the tagged one 2 s after it
    for (DWORD begin = GetTickCount();
         late.step() < statusRead && GetTickCount() - begin < kTimeoutMs;)
        Sleep(10);
    press(window, ID_SHOW_ABOUT);
    HWND about = waitForWindow("#32770", "バージョン情報", kTimeoutMs);
    ASSERT_TRUE(about);
    Sleep(kAboutMs);
    pressOk(about);
    ASSERT_TRUE(waitGone(about));

    HWND shown = shownMsgWindow();
    ASSERT_TRUE(shown);
    EXPECT_TRUE(showsText(shown, record, "old ： 4 通\n"));
    EXPECT_FALSE(FindWindowA("#32770", "vemo")) << "no failure where the server answered";
    EXPECT_EQ(late.finish(kTimeoutMs).received, "v1 LOGIN \"user\" \"secret\"\r\nv2 STATUS INBOX "
                                                "(UNSEEN UIDNEXT UIDVALIDITY)\r\nv3 LOGOUT\r\n");

    ScriptedServer next(kAfterStalled,
                        {sendLine("+OK\r\n"), readLine(), sendLine("+OK\r\n"), readLine(),
                         sendLine("+OK\r\n"), readLine(), sendLine("+OK 7 700\r\n"), readLine(),
                         sendLine("-ERR\r\n")});
    deliver(shown, WM_LBUTTONDOWN);
    tick(window);
    EXPECT_TRUE(showsText(shown, record, "new ： 7 通\n"));
    EXPECT_TRUE(next.finish(kTimeoutMs).connected);
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(exitCode(process), 0u);
    WSACleanup();
}
