// The network side of the one mail session at a time: the name lookup, the connection, the TLS
// channel when the account asks for one (tls.h), sending, and reading replies whole. Every wait
// lets the thread's messages through (wait.h): a handler reached that way may end the session, and
// the waiting call then returns at once.
#pragma once

#include "mailcheck/imap.h"

#include <winsock.h>

// The longest wait for one whole reply (over IMAP: every response up to the tagged one), from the
// start of its receive, on the waits' clock, which leaves out the time that boxes and dialogs
// opened meanwhile stayed open.
const DWORD kReplyTimeoutMs = 30000;

// The longest wait for the name lookup, and then for the connection to the server.
const DWORD kConnectTimeoutMs = 15000;

// The waits in force; tests shorten them.
extern DWORD g_replyTimeoutMs;
extern DWORD g_connectTimeoutMs;

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
// whatever the time. 1 when the reply ended or the server closed after part of it; 0 on time-out,
// error, a close before any byte, an IMAP literal longer than INT_MAX, or when the session has
// ended.
int receiveReply(char *reply, size_t size, ImapReading *imap, DWORD start);

// The line that ends the session politely from now on: endConnection sends it first.
void setFarewell(const char *line);

// Ends whatever the session holds, in any phase: gives up a pending lookup, sends the farewell
// (one attempt, no wait), closes the TLS channel and the socket, releases Winsock. Does nothing
// when nothing is held. The session counts as ended afterwards (g_sessionEnded).
void endConnection();
