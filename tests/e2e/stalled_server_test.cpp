// A round waiting for a server that stalls keeps the program answering its windows, and an exit
// or the end of the Windows session then ends it at once. Scripted servers on 127.0.0.70 (the
// stalled account, slot 0) and 127.0.0.71 (the next account, slot 1).
#include "e2e/program.h"
#include "e2e/rounds.h"
#include "support/pop3_script_server.h"

namespace {

const char kStalled[] = "127.0.0.70";
const char kNext[] = "127.0.0.71";
const DWORD kStallMs = 20000;
const DWORD kAnswerMs = 200;
const DWORD kEndMs = 1000;

struct Stall {
    const char *what;
    UINT ending;
    std::vector<ScriptStep> script; // ends with the stall
    std::string heard;              // what the stalled server receives in all
    const char *server = kStalled;  // the stalled account's server field
};

} // namespace

TEST_F(Program, ARoundWaitingForAStalledServerAnswersAndEndsAtOnceAtExitOrLogOff) {
    const Stall stalls[] = {
        {"greeting, exit", WM_CLOSE, {stall(kStallMs)}, ""},
        {"greeting, end of session", WM_ENDSESSION, {stall(kStallMs)}, ""},
        {"STAT reply, exit",
         WM_CLOSE,
         {sendLine("+OK\r\n"), readLine(), sendLine("+OK\r\n"), readLine(), sendLine("+OK\r\n"),
          readLine(), stall(kStallMs)},
         "USER user\r\nPASS secret\r\nSTAT\r\nQUIT\r\n"},
        {"IMAP STATUS reply, exit",
         WM_CLOSE,
         {sendLine("* OK [CAPABILITY IMAP4rev1] ready\r\n"), readLine(), sendLine("v1 OK\r\n"),
          readLine(), stall(kStallMs)},
         "v1 LOGIN \"user\" \"secret\"\r\nv2 STATUS INBOX (UNSEEN)\r\nv3 LOGOUT\r\n",
         "imap://127.0.0.70:110"},
    };
    Settings record = defaultSettings();
    setAccount(&record, 0, "stalled", kStalled, "user", "secret");
    setAccount(&record, 1, "next", kNext, "user", "secret");
    record.checkAtStartup = 0;
    WSADATA winsock;
    ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &winsock), 0); // the servers' own reference
    for (const Stall &stalled : stalls) {
        SCOPED_TRACE(stalled.what);
        ScriptedServer server(kStalled, stalled.script);
        ScriptedServer next(kNext, {sendLine("+OK\r\n")});
        ASSERT_TRUE(server.listening() && next.listening());
        lstrcpyA(record.servers[0], stalled.server);
        writeSettings(record);
        HANDLE process = start();
        ASSERT_TRUE(process);
        HWND window = mainWindow();
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

        PostMessageA(window, stalled.ending, TRUE, 0);
        bool boxShown = false;
        for (DWORD begin = GetTickCount();
             WaitForSingleObject(process, 10) == WAIT_TIMEOUT && GetTickCount() - begin < kEndMs;)
            boxShown = boxShown || FindWindowA("#32770", "vemo");
        EXPECT_EQ(WaitForSingleObject(process, 0), WAIT_OBJECT_0) << "the program ends within 1 s";
        EXPECT_FALSE(boxShown) << "no message for the interrupted account";
        EXPECT_EQ(exitCode(process), 0u);
        ScriptResult heard = server.finish(kTimeoutMs);
        EXPECT_EQ(heard.received, stalled.heard);
        EXPECT_TRUE(heard.clientClosed);
        EXPECT_FALSE(next.finish(500).connected) << "no account is queried after the shutdown";
        Settings saved;
        ASSERT_TRUE(readSettings(&saved)) << "the settings are saved at the shutdown";
        EXPECT_EQ(memcmp(&saved, &record, kSettingsSize), 0);
    }
    WSACleanup();
}
