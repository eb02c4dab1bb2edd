// One session per call: over POP3 log in, ask for the message count with STAT and say QUIT; over
// IMAP log in, ask for the inbox's unseen count with STATUS and say LOGOUT. While it waits for the
// network the thread's messages keep flowing (wait.h); its deadlines are the connection's
// (connection.h).
#pragma once

#include <windows.h>

// 1 when the last checkMailbox failed and showed its message.
extern int g_queryFailed;

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
