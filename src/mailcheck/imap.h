// The parts of the IMAP query that need no network: reading a response that arrives in pieces,
// with the literals its lines announce, judging it, noting what its untagged lines say, and the
// session's commands.
#pragma once

#include <cstddef>

// The tags of the commands whose tagged responses the session waits for.
extern const char kCapabilityTag[];
extern const char kLoginTag[];
extern const char kStatusTag[];

// The commands but LOGIN (buildImapLogin), each with its tag and line end.
extern const char kCapabilityCommand[];
extern const char kStatusCommand[];
extern const char kLogoutCommand[];

// Where the reading of one response stands between two pieces; zero-filled at its start.
struct ImapReading {
    size_t length;    // bytes kept in the reply buffer
    size_t literal;   // bytes of an announced literal still to come
    int announcement; // how much of a literal's announcement "{n}\r" ends the line so far
    unsigned number;  // the digits of that announcement, stopped just above INT_MAX
};

// One step of reading a response: lines, each ending in LF, where a line that ends in "{n}" (before
// an optional CR) is followed by n bytes of any kind and then goes on. Of the `count` bytes waiting
// in `data`, those up to the end of the response belong to it: *used says how many. Of these, the
// ones that fit before the last byte of `reply` (a zero-filled buffer of `size` bytes) are kept,
// terminated. Returns 1 when the response has ended, 0 when more is to come and -1 when it
// announces a literal longer than INT_MAX bytes.
int takeImapBytes(char *reply, size_t size, ImapReading *reading, const char *data, size_t count,
                  size_t *used);

enum ImapCondition { kImapNone, kImapOk, kImapNo, kImapBad, kImapPreauth, kImapBye };

// The condition of a response tagged `tag` ("*" for an untagged one): its word after the tag and a
// blank (OK, NO, BAD, PREAUTH or BYE, in any case, ending at a blank or the line's end), or
// kImapNone when the response has another tag or another word.
int imapCondition(const char *response, const char *tag);

// Whether an untagged response lists the server's capabilities (a CAPABILITY response, or a
// CAPABILITY code in brackets after the condition) with LOGINDISABLED among them: 1 with it, 0
// without, -1 when the response lists no capabilities.
int imapLoginDisabled(const char *response);

// The UNSEEN count of an untagged STATUS response for INBOX, whose mailbox name may come as an
// atom, a quoted string or a literal, in any case. -1 when the response is no such whole line up
// to its terminator, carries no UNSEEN, or its number does not fit an int.
int imapStatusUnseen(const char *response);

// What the untagged responses of a session have said so far.
struct ImapNotes {
    int loginDisabled; // the server refuses LOGIN: 1, or 0; -1 while it has listed no capabilities
    int unseen;        // the inbox's unseen count of the last STATUS response, or -1
};

// Notes what one untagged response says: a capability list, or the inbox's STATUS.
void noteImapResponse(const char *response, ImapNotes *notes);

// "v1 LOGIN user password\r\n" into `command` (`size` bytes, terminated): each field a quoted
// string with backslash and double quote escaped, or a literal ("{n}\r\n" and then its bytes) when
// it holds a byte that a quoted string cannot carry. Every "\r\n" before the last ends a literal's
// announcement, after which the server's continuation request must come before the rest is sent.
// 0 when a field holds a CR or LF, or the command does not fit.
int buildImapLogin(char *command, size_t size, const char *user, const char *password);
