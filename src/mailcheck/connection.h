// The network side of the one mail session at a time: the name lookup, the connection, the TLS
// channel when the account asks for one, sending, and reading reply lines. Every wait lets the
// thread's messages through, so that the program's windows answer while a server is slow. A
// handler reached that way may end the session (endSession at shutdown), and a quit message may
// arrive: the waiting call then returns at once, and the session counts as ended.
#pragma once

#include "mailcheck/imap.h"

#include <winsock.h>

enum WaitResult { kWaitReady, kWaitTimedOut, kWaitAbandoned };

enum Readiness {
    kReadable,  // bytes to read, or the server's end of the connection
    kWritable,  // room to send
    kConnected, // the connection request has an answer (success or failure)
    kLookedUp,  // the name lookup has answered (the socket is not looked at)
};

// The clock of every deadline: milliseconds like GetTickCount's, without the time spent in the
// handlers that the waits dispatched to, so that a box the user keeps open does not use up the
// server's time.
DWORD waitClock();

// Dispatches the thread's messages until `connection` is ready, `totalMs` of waitClock after
// `start` have passed, or the session has ended. Readiness is looked at before the time, so what
// has arrived is taken even when the time is up.
WaitResult waitFor(SOCKET connection, Readiness readiness, DWORD start, DWORD totalMs);

// Sends all of `length` bytes, waiting while the socket would block, within g_replyTimeoutMs;
// 1 when everything went out.
int sendAll(SOCKET connection, const char *data, size_t length);

enum Opening {
    kOpened,
    kOpenNoWinsock, // Winsock could not be started
    kOpenNoHost,    // the name could not be looked up within g_connectTimeoutMs
    kOpenNoSocket,  // no socket could be made
    kOpenNoConnect, // no connection within g_connectTimeoutMs, or the TLS handshake failed
    kOpenUntrusted, // the server's certificate does not hold for the host
    kOpenAbandoned, // the session was ended while it waited
};

// Starts Winsock, looks `host` up, connects to `port` and, with `tls`, opens the TLS channel.
// Anything but kOpened has released everything again, so that nothing is sent to the server.
Opening openConnection(const char *host, unsigned short port, int tls);

// Sends `text` over the open connection (through the TLS channel when there is one); nothing
// once the session has ended.
void sendText(const char *text);

// Reads one reply into `reply` of `size` bytes, zero-filled first: a POP3 line, or with `imap` (a
// zero-filled reading state, which then holds the length kept) an IMAP response with the literals
// it announces; never past its end, so that nothing of a later reply is taken. All of it must
// arrive within g_replyTimeoutMs of waitClock from `start`; what has arrived by then is read
// whatever the time. 1 when the reply ended or the server closed after
// part of it; 0 on time-out, error, a close before any byte, an IMAP literal longer than INT_MAX,
// or when the session has ended.
int receiveReply(char *reply, size_t size, ImapReading *imap, DWORD start);

// The line that ends the session politely from now on: endConnection sends it first.
void setFarewell(const char *line);

// Ends whatever the session holds, in any phase: gives up a pending lookup, sends the farewell
// (one attempt, no wait), closes the TLS channel and the socket, releases Winsock. Does nothing
// when nothing is held. The session counts as ended afterwards.
void endConnection();

// 1 once the session has ended or was given up for a quit message: its messages are not shown.
int connectionEnded();
