// The parts of the POP3 query that need no network: judging replies, reading a reply line that
// arrives in pieces, and checking login fields.
#pragma once

#include <cstddef>

// 1 when the reply begins with "+OK" (case-sensitive), else 0.
int isPositiveReply(const char *reply);

// The message count of a STAT reply: its second blank-separated token, read like strtol (leading
// white space, optional sign, decimal digits) and clamped to the range of int; 0 without one.
int statCount(const char *reply);

// The message number and unique id of a UIDL line, "n id", or of the reply to "UIDL n", "+OK n id":
// 1 when the line holds both, the number above 0 and the id 1 to 70 bytes from 0x21 to 0x7E
// ending the line, which *id and *idLength then point out.
int readUidlLine(const char *line, int *number, const char **id, size_t *idLength);

// 1 for the line that ends a multi-line reply: a lone ".".
int isListEnd(const char *line);

// One step of reading a reply line that arrives in pieces. `reply` is a zero-filled buffer of
// `size` bytes holding `*length` bytes so far. Of the `count` bytes waiting in `data`, those up to
// and including the first LF belong to this line: *used says how many. Of these, the ones that fit
// before the buffer's last byte are appended (and kept terminated); the rest of an overlong line
// is dropped. Returns 1 when the line's LF has been taken.
int takeReplyBytes(char *reply, size_t size, size_t *length, const char *data, size_t count,
                   size_t *used);

// 1 when a user name or password holds a CR or LF, which would end its command line early.
int hasLineBreak(const char *field);
