// An account's server field: which protocol, host and port, and whether over TLS.
#pragma once

#include <cstddef>

// Room for a host name with its terminator.
const size_t kHostSize = 256;

const unsigned short kPop3Port = 110;
const unsigned short kPop3TlsPort = 995;
const unsigned short kImapPort = 143;
const unsigned short kImapTlsPort = 993;

// Reads an account's server field: "host" (POP3, port 110), "host:port" (POP3; port 995 means
// TLS), "pop3://host[:port]" (plain POP3, port 110 by default), "pop3s://host[:port]" (POP3 over
// TLS, 995), "imap://host[:port]" (plain IMAP, 143) or "imaps://host[:port]" (IMAP over TLS, 993);
// the schemes in any case. The port is 1 to 65535 in decimal digits only. Writes the host
// (terminated, at most kHostSize - 1 bytes) to `host`, the port, whether to use TLS and whether the
// server speaks IMAP; 0 when the field does not parse (an empty or overlong host, a bad port,
// another scheme).
int parseServerField(const char *field, char *host, unsigned short *port, int *tls, int *imap);
