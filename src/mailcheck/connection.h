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

// A POP3 reply line is at most this long, its CR LF included.
const size_t kMaxPop3Line = 512;

// The time of one reply, or of the lines of one multi-line reply: its start on waitClock, and once
// the time is up, how many of the bytes that had arrived by then are still to be read.
struct ReplyDeadline {
    DWORD start;
    int late;
    size_t arrived;
};

// A deadline that starts now.
ReplyDeadline replyDeadline();

// Reads one reply into `reply` of `size` bytes, zero-filled first: a POP3 line of at most
// kMaxPop3Line bytes, or with `imap` (a reading state zero-filled but for the bytes it may still
// take, which then holds the length kept) an IMAP response with the literals it announces; never
// past its end, so that nothing of a later reply is taken. All of it must arrive within
// g_replyTimeoutMs of `deadline`; once the time is up, only what had arrived by then is read. 1
// when the reply ended or the server closed after part of it; 0 on time-out, error, a close before
// any byte, a reply beyond its bound, or when the session has ended.
int receiveReply(char *reply, size_t size, ImapReading *imap, ReplyDeadline *deadline);

// The line that ends the session politely from now on: endConnection sends it first.
void setFarewell(const char *line);

// Ends whatever the session holds, in any phase: gives up a pending lookup, sends the farewell
// (one attempt, no wait), closes the TLS channel and the socket, releases Winsock. Does nothing
// when nothing is held. The session counts as ended afterwards (g_sessionEnded).
void endConnection();
