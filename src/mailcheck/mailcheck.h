// One session per call: over POP3 log in, ask for the message count with STAT and say QUIT; over
// IMAP log in, ask for the inbox's unseen count with STATUS and say LOGOUT. While it waits for the
// network the thread's messages keep flowing (connection.h).
#pragma once

#include <windows.h>

// The longest wait for one whole reply (over IMAP: every response up to the tagged one), from the
// start of its receive, on the waits' clock (connection.h), which leaves out the time that boxes
// and dialogs opened meanwhile stayed open.
const DWORD kReplyTimeoutMs = 30000;

// The longest wait for the connection to the server.
const DWORD kConnectTimeoutMs = 15000;

// The waits in force; tests shorten them.
extern DWORD g_replyTimeoutMs;
extern DWORD g_connectTimeoutMs;

// The number of messages in the account's POP3 mailbox or of unseen ones in its IMAP inbox, or 0
// when the account is not configured or anything fails; every failure is shown in a message box
// owned by `owner` first.
int checkMailbox(HWND owner, const char *displayName, const char *server, const char *user,
                 const char *password, int apop);

// Ends the session in whatever phase it is: gives up a pending lookup, says QUIT (or LOGOUT) to a
// server that has greeted and is not waiting for a literal's bytes, closes the connection and
// releases Winsock. A wait of the session returns at once and its query then shows no message. Does
// nothing when no session is open.
void endSession();
