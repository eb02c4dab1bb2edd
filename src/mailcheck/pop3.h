// The parts of the mailbox query that need no network: reading the server field, judging POP3
// replies, reading a reply line that arrives in pieces, checking login fields and fitting the
// message texts to their buffer.
#pragma once

#include <cstddef>

const size_t kCommandSize = 1024;
const size_t kReplySize = 1024;
const size_t kMessageSize = 256;
const size_t kHostSize = 256;

const unsigned short kPop3Port = 110;
const unsigned short kPop3TlsPort = 995;
const unsigned short kImapPort = 143;
const unsigned short kImapTlsPort = 993;

// The texts of the query's message boxes; "%s" is the account's display name.
extern const char kWinsockMessage[];
extern const char kLookupMessage[];
extern const char kSocketMessage[];
extern const char kConnectMessage[];
extern const char kApopMessage[];
extern const char kUserMessage[];
extern const char kPassMessage[];
extern const char kStatMessage[];
extern const char kCertificateMessage[];

// Reads an account's server field: "host" (POP3, port 110), "host:port" (POP3; port 995 means
// TLS), "pop3://host[:port]" (plain POP3, port 110 by default), "pop3s://host[:port]" (POP3 over
// TLS, 995), "imap://host[:port]" (plain IMAP, 143) or "imaps://host[:port]" (IMAP over TLS, 993);
// the schemes in any case. The port is 1 to 65535 in decimal digits only. Writes the host
// (terminated, at most kHostSize - 1 bytes) to `host`, the port, whether to use TLS and whether the
// server speaks IMAP; 0 when the field does not parse (an empty or overlong host, a bad port,
// another scheme).
int parseServerField(const char *field, char *host, unsigned short *port, int *tls, int *imap);

// 1 when the reply begins with "+OK" (case-sensitive), else 0.
int isPositiveReply(const char *reply);

// The message count of a STAT reply: its second blank-separated token, read like strtol (leading
// white space, optional sign, decimal digits) and clamped to the range of int; 0 without one.
int statCount(const char *reply);

// One step of reading a reply line that arrives in pieces. `reply` is a zero-filled buffer of
// `size` bytes holding `*length` bytes so far. Of the `count` bytes waiting in `data`, those up to
// and including the first LF belong to this line: *used says how many. Of these, the ones that fit
// before the buffer's last byte are appended (and kept terminated); the rest of an overlong line
// is dropped. Returns 1 when the line's LF has been taken.
int takeReplyBytes(char *reply, size_t size, size_t *length, const char *data, size_t count,
                   size_t *used);

// 1 when a user name or password holds a CR or LF, which would end its command line early.
int hasLineBreak(const char *field);

// How many bytes of `name` can replace the one "%s" of `format` so that the text fits a buffer of
// `size` bytes with its terminator; never splits a double-byte (code page 932) character.
size_t fittingNameLength(const char *format, const char *name, size_t size);
