// The waits of the one mail session at a time, the layer below the connection and its TLS
// channel: each dispatches the thread's messages until what it waits for is ready, its time is up
// or the session has ended, so that the program's windows answer while a server is slow. A
// handler reached that way may end the session (at shutdown), and a quit message may arrive: the
// wait then returns at once, and the session counts as ended.
#pragma once

#include <winsock.h>

// 1 once the session has ended or was given up for a quit message: every wait returns at once
// and the session's messages are not shown. The connection clears it as a session opens.
extern int g_sessionEnded;

enum WaitResult { kWaitReady, kWaitTimedOut, kWaitAbandoned };

enum Readiness {
    kReadable,  // bytes to read, or the server's end of the connection
    kWritable,  // room to send
    kConnected, // the connection request has an answer (success or failure)
};

// The clock of every deadline: milliseconds like GetTickCount's, without the time spent in the
// handlers that the waits dispatched to, so that a box the user keeps open does not use up the
// server's time.
DWORD waitClock();

// Waits until `socket` is ready, `totalMs` of waitClock after `start` have passed, or the session
// has ended. Readiness counts only before the time is up; a wait of 0 ms looks once. While it
// waits, and at least every 50 ms while what it waits for is ready at once, the thread's messages
// are dispatched.
WaitResult waitForSocket(SOCKET socket, Readiness readiness, DWORD start, DWORD totalMs);

// Waits in the same way until a handler has cleared *pending (a lookup that has answered).
WaitResult waitForAnswer(const HANDLE *pending, DWORD start, DWORD totalMs);

// Waits in the same way until `handle` is signalled (a worker thread has ended).
WaitResult waitForHandle(HANDLE handle, DWORD start, DWORD totalMs);

// Sends all of `length` bytes, waiting while the socket would block, within `timeoutMs`; 1 when
// everything went out.
int sendAll(SOCKET socket, const char *data, size_t length, DWORD timeoutMs);
