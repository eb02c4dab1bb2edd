// The client side of a TLS connection on the session's connected socket (POP3 or IMAP), with the
// server's certificate checked against the host name. One channel at a time. Its waits are those
// of the session (wait.h): a session ended meanwhile fails them.
#pragma once

#include <winsock.h>

enum TlsOpening {
    kTlsOpened,
    kTlsFailed,    // the handshake failed, stalled or the connection ended
    kTlsUntrusted, // the server's certificate could not be verified for the host
};

// Makes the handshake and checks the certificate within `timeoutMs`; a check still at work then
// (fetching a certificate that the server left out) is given up, and so is one at work when the
// session ends. On failure everything of the channel is released again; the socket stays open for
// the caller to close.
TlsOpening tlsOpen(SOCKET connection, const char *host, DWORD timeoutMs);

// Encrypts and sends `length` bytes as one record within `timeoutMs`; 1 when all of it was sent.
int tlsSend(const char *data, size_t length, DWORD timeoutMs);

// Waits up to `waitMs` for decrypted bytes and copies up to `size` of them into `data` without
// taking them. Returns their count, 0 when the server ended the connection, -1 on time-out or
// error.
int tlsPeek(char *data, size_t size, DWORD waitMs);

// The bytes the channel holds that have not been taken yet, decrypted or not.
size_t tlsHeldBytes();

// Takes `count` bytes of those tlsPeek gave.
void tlsTake(size_t count);

// Sends the TLS close notification and releases the channel; the socket stays open.
void tlsClose();
