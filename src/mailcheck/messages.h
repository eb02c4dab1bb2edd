// The texts of the mail check's message boxes, and fitting a display name into them.
#pragma once

#include <cstddef>

// Room for one message with its terminator.
const size_t kMessageSize = 256;

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

// How many bytes of `name` can replace the one "%s" of `format` so that the text fits a buffer of
// `size` bytes with its terminator; never splits a double-byte (code page 932) character.
size_t fittingNameLength(const char *format, const char *name, size_t size);
