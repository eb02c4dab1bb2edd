// The message-dispatching waits of the mail session, their clock and sending all of a buffer.
#include "mailcheck/wait.h"

int g_sessionEnded;

// Time spent in the handlers that the waits dispatched to: a box or dialog held open there is not
// time in which the server kept silent.
static DWORD g_pausedMs;

DWORD waitClock() {
    return GetTickCount() - g_pausedMs;
}

// While bytes keep coming a socket is ready at every look: the thread's messages are still let
// through at least this often.
static const DWORD kDispatchPeriodMs = 50;
static DWORD g_lastDispatch;

// Handles every message waiting for the thread, and notes when.
static void dispatchMessages() {
    MSG message;
    while (!g_sessionEnded && PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // The program is ending: its own loop gets the quit again, the session is given up.
            PostQuitMessage(static_cast<int>(message.wParam));
            g_sessionEnded = 1;
        } else {
            DWORD before = GetTickCount();
            TranslateMessage(&message);
            DispatchMessageA(&message);
            g_pausedMs += GetTickCount() - before;
        }
    }
    g_lastDispatch = GetTickCount();
}

// Readiness counts only before the time is up, so that a peer that never stops sending cannot
// keep a caller reading past its deadline; a wait of no time at all still looks once. `wake`, when
// given, is a handle whose signal also ends the sleep between two looks.
template <class Ready>
static WaitResult waitUntil(Ready ready, DWORD start, DWORD totalMs, HANDLE wake = NULL) {
    for (;;) {
        if (GetTickCount() - g_lastDispatch >= kDispatchPeriodMs)
            dispatchMessages();
        if (g_sessionEnded)
            return kWaitAbandoned;
        DWORD elapsed = waitClock() - start;
        if ((elapsed < totalMs || totalMs == 0) && ready())
            return kWaitReady;
        if (elapsed >= totalMs)
            return kWaitTimedOut;
        MsgWaitForMultipleObjectsEx(wake ? 1 : 0, &wake, totalMs - elapsed, QS_ALLINPUT,
                                    MWMO_INPUTAVAILABLE);
        dispatchMessages();
    }
}

static int isReady(SOCKET socket, Readiness readiness) {
    fd_set wanted, failed;
    FD_ZERO(&wanted);
    FD_SET(socket, &wanted);
    FD_ZERO(&failed);
    FD_SET(socket, &failed);
    timeval now = {0, 0};
    if (readiness == kReadable)
        return select(0, &wanted, NULL, NULL, &now) != 0;
    // A failed connection request shows in the failed set.
    return select(0, NULL, &wanted, readiness == kConnected ? &failed : NULL, &now) != 0;
}

WaitResult waitForSocket(SOCKET socket, Readiness readiness, DWORD start, DWORD totalMs) {
    return waitUntil([=] { return isReady(socket, readiness); }, start, totalMs);
}

WaitResult waitForAnswer(const HANDLE *pending, DWORD start, DWORD totalMs) {
    return waitUntil([=] { return *pending == NULL; }, start, totalMs);
}

WaitResult waitForHandle(HANDLE handle, DWORD start, DWORD totalMs) {
    return waitUntil([=] { return WaitForSingleObject(handle, 0) == WAIT_OBJECT_0; }, start,
                     totalMs, handle);
}

int sendAll(SOCKET socket, const char *data, size_t length, DWORD timeoutMs) {
    DWORD start = waitClock();
    while (length > 0) {
        int sent = send(socket, data, static_cast<int>(length), 0);
        if (sent == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) {
            if (waitForSocket(socket, kWritable, start, timeoutMs) != kWaitReady)
                return 0;
            continue;
        }
        if (sent <= 0)
            return 0;
        data += sent;
        length -= static_cast<size_t>(sent);
    }
    return 1;
}
