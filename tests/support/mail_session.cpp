// The mail check tests' fixture: the owner window, the deadlines and the record of each check.
#include "support/mail_session.h"

#include "mailcheck/mailcheck.h"

namespace {

const UINT kEndSessionMessage = WM_APP + 1;

LRESULT CALLBACK ownerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kEndSessionMessage) {
        endSession(); // what the main window does when closed during a session
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

void MailSession::SetUp() {
    ASSERT_TRUE(installMessageBoxRecorder());
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = ownerProc;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.lpszClassName = "vemoTestOwner";
    RegisterClassA(&windowClass);
    owner = CreateWindowA("vemoTestOwner", "owner", WS_OVERLAPPED, 0, 0, 10, 10, NULL, NULL,
                          GetModuleHandleA(NULL), NULL);
    ASSERT_NE(owner, nullptr);
    g_replyTimeoutMs = replyTimeoutMs_;
    // Under Wine the security packages, loaded with secur32 at start, keep a Winsock reference
    // of their own; it is dropped here so that the references of the query can be counted.
    for (int i = 0; countWinsock_ && i < 8 && WSACleanup() == 0; i++)
        ;
}

void MailSession::TearDown() {
    g_replyTimeoutMs = kReplyTimeoutMs;
    g_connectTimeoutMs = kConnectTimeoutMs;
    DestroyWindow(owner);
}

Outcome MailSession::check(const Account &account, bool endSessionInBox) {
    Outcome outcome;
    clearRecordedBoxes();
    BoxWatcher watcher(endSessionInBox ? owner : NULL, kEndSessionMessage);
    DWORD start = GetTickCount();
    outcome.count = checkMailbox(owner, account.name, account.server, account.user,
                                 account.password, account.apop, memory, NULL);
    outcome.elapsedMs = GetTickCount() - start;
    outcome.fresh = g_queryNew;
    outcome.shown = watcher.stop();
    outcome.boxes = recordedBoxes();
    return outcome;
}

Outcome MailSession::check(const Account &account, const char *address,
                           std::vector<ScriptStep> script, DWORD finishMs, bool endSessionInBox) {
    WSADATA winsock;
    EXPECT_EQ(WSAStartup(MAKEWORD(1, 1), &winsock), 0); // the server's own reference
    Outcome outcome;
    {
        ScriptedServer server(address, std::move(script));
        EXPECT_TRUE(server.listening());
        outcome = check(account, endSessionInBox);
        outcome.server = server.finish(finishMs);
    }
    // The query must have given back exactly the references it took: ours is still held, and when
    // they are counted it is the last one.
    outcome.winsockReleased = WSACleanup() == 0 && (!countWinsock_ || WSACleanup() == SOCKET_ERROR);
    EXPECT_TRUE(outcome.winsockReleased);
    return outcome;
}

void MailSession::expectResult(const Outcome &outcome, int count, const std::string &text) {
    EXPECT_EQ(outcome.count, count);
    if (text.empty()) {
        EXPECT_TRUE(outcome.boxes.empty());
        EXPECT_TRUE(outcome.shown.empty());
    } else {
        expectOneErrorBox(outcome.boxes, outcome.shown, text, owner);
    }
}
