// One session per call: over POP3 log in, ask for the message count with STAT and say QUIT; over
// IMAP log in, ask for the inbox's unseen count with STATUS and say LOGOUT. While it waits for the
// network the thread's messages keep flowing (wait.h); its deadlines are the connection's
// (connection.h).
#pragma once

#include "mailcheck/news.h"

#include <windows.h>

// 1 when the last checkMailbox failed and showed its message.
extern int g_queryFailed;
// 1 when the last checkMailbox could not look the server up or reach it and `isOnline` then said
// that the computer is offline: the failure was not shown.
extern int g_queryOffline;
// 1 when the last checkMailbox found mail that `memory` had not seen announced.
extern int g_queryNew;

// Asked after a failed lookup or connection, before its message: 0 when the computer is offline.
typedef int (*OnlineProbe)();

// The number of messages in the account's POP3 mailbox or of unseen ones in its IMAP inbox, or 0
// when the account is not configured or anything fails; every failure is shown in a message box
// owned by `owner` first, but for a lookup or connection that failed while `isOnline` (when not
// NULL) says the computer is offline. `memory` is what the account's earlier queries of this run
// have seen; a query that completes updates it and sets g_queryNew (with NULL nothing is learnt,
// and no UIDL is sent).
int checkMailbox(HWND owner, const char *displayName, const char *server, const char *user,
                 const char *password, int apop, MailboxMemory *memory, OnlineProbe isOnline);

// Ends the session in whatever phase it is: gives up a pending lookup, says QUIT (or LOGOUT) to a
// server that has greeted and is not waiting for a literal's bytes, closes the connection and
// releases Winsock. A wait of the session returns at once and its query then shows no message. Does
// nothing when no session is open.
void endSession();
