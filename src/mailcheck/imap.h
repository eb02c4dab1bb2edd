// The parts of the IMAP query that need no network: reading a response that arrives in pieces,
// with the literals its lines announce, judging it, noting what its untagged lines say, and the
// session's commands.
#pragma once

#include <cstddef>
#include <cstdint>

// The tags of the commands whose tagged responses the session waits for.
extern const char kCapabilityTag[];
extern const char kLoginTag[];
extern const char kStatusTag[];

// The commands but LOGIN (buildImapLogin), each with its tag and line end.
extern const char kCapabilityCommand[];
extern const char kStatusCommand[];
extern const char kLogoutCommand[];

// All the responses to one command, up to and including its tagged one, take at most this many
// bytes; a literal that would go beyond it is refused as soon as it is announced.
const size_t kMaxImapResponseBytes = 65536;

// The capability list of a response's first line, read token by token as the bytes go by, so that
// a line longer than what is kept of it still shows every capability.
struct ImapCapabilityScan {
    int state;          // where the line stands: its first tokens, a list, or done
    int tokens;         // tokens ended so far
    size_t tokenLength; // bytes of the current token
    char token[16];     // its first bytes, in lower case
    int listed;         // the line lists the server's capabilities
    int loginDisabled;  // LOGINDISABLED is among them
};

// Where the reading of one response stands between two pieces; zero-filled at its start but for
// `taken`, which carries on from the command's earlier responses.
struct ImapReading {
    size_t length;    // bytes kept in the reply buffer
    size_t literal;   // bytes of an announced literal still to come
    int announcement; // how much of a literal's announcement "{n}\r" ends the line so far
    unsigned number;  // the digits of that announcement, stopped just above INT_MAX
    size_t taken;     // bytes the command's responses have taken, up to kMaxImapResponseBytes
    ImapCapabilityScan capabilities;
};

// One step of reading a response: lines, each ending in LF, where a line that ends in "{n}" (before
// an optional CR) is followed by n bytes of any kind and then goes on. Of the `count` bytes waiting
// in `data`, those up to the end of the response belong to it: *used says how many. Of these, the
// ones that fit before the last byte of `reply` (a zero-filled buffer of `size` bytes) are kept,
// terminated. Returns 1 when the response has ended, 0 when more is to come and -1 when the
// command's responses go past kMaxImapResponseBytes or announce a literal that would.
int takeImapBytes(char *reply, size_t size, ImapReading *reading, const char *data, size_t count,
                  size_t *used);

enum ImapCondition { kImapNone, kImapOk, kImapNo, kImapBad, kImapPreauth, kImapBye };

// The condition of a response tagged `tag` ("*" for an untagged one): its word after the tag and a
// blank (OK, NO, BAD, PREAUTH or BYE, in any case, ending at a blank or the line's end), or
// kImapNone when the response has another tag or another word.
int imapCondition(const char *response, const char *tag);

// Whether an untagged response lists the server's capabilities (a CAPABILITY response, or a
// CAPABILITY code in brackets after the condition) with LOGINDISABLED among them: 1 with it, 0
// without, -1 when the response lists no capabilities. As takeImapBytes reads them.
int imapLoginDisabled(const char *response);

// The inbox's UIDNEXT and UIDVALIDITY; 0 where the response gives none (both are above 0).
struct ImapUids {
    uint32_t next;
    uint32_t validity;
};

// The UNSEEN count of an untagged STATUS response for INBOX, whose mailbox name may come as an
// atom, a quoted string or a literal, in any case, and into *uids (unless NULL) its UIDNEXT and
// UIDVALIDITY. -1 when the response is no such whole line up to its terminator, carries no UNSEEN,
// or a number does not fit: UNSEEN an int, the others 32 bits.
int imapStatusUnseen(const char *response, ImapUids *uids);

// What the untagged responses of a session have said so far.
struct ImapNotes {
    int loginDisabled; // the server refuses LOGIN: 1, or 0; -1 while it has listed no capabilities
    int unseen;        // the inbox's unseen count of the last STATUS response, or -1
    ImapUids uids;     // that response's UIDNEXT and UIDVALIDITY
};

// Notes what one untagged response, read into `reading`, says: a capability list, or the inbox's
// STATUS.
void noteImapResponse(const char *response, const ImapReading &reading, ImapNotes *notes);

// "v1 LOGIN user password\r\n" into `command` (`size` bytes, terminated): each field a quoted
// string with backslash and double quote escaped, or a literal ("{n}\r\n" and then its bytes) when
// it holds a byte that a quoted string cannot carry. Every "\r\n" before the last ends a literal's
// announcement, after which the server's continuation request must come before the rest is sent.
// 0 when a field holds a CR or LF, or the command does not fit.
int buildImapLogin(char *command, size_t size, const char *user, const char *password);
