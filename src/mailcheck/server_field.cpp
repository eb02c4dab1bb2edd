// Reading an account's server field.
#include "mailcheck/server_field.h"

#include <cstring>

static bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Compares the start of `text` with the lower-case `prefix`, ignoring the case of ASCII letters.
static bool startsWithIgnoringCase(const char *text, const char *prefix) {
    for (; *prefix; text++, prefix++) {
        char c = *text >= 'A' && *text <= 'Z' ? static_cast<char>(*text - 'A' + 'a') : *text;
        if (c != *prefix)
            return false;
    }
    return true;
}

// The schemes of a server field, with the port that each takes when none is given.
struct Scheme {
    char prefix[9];
    unsigned short port;
    int tls;
    int imap;
};

static const Scheme kSchemes[] = {
    {"pop3://", kPop3Port, 0, 0},
    {"pop3s://", kPop3TlsPort, 1, 0},
    {"imap://", kImapPort, 0, 1},
    {"imaps://", kImapTlsPort, 1, 1},
};

int parseServerField(const char *field, char *host, unsigned short *port, int *tls, int *imap) {
    const char *rest = field;
    const Scheme *scheme = NULL; // none given: POP3, TLS on port 995
    for (const Scheme &candidate : kSchemes) {
        if (startsWithIgnoringCase(field, candidate.prefix)) {
            scheme = &candidate;
            rest += strlen(candidate.prefix);
        }
    }
    if (!scheme && strstr(field, "://"))
        return 0;
    const char *colon = strchr(rest, ':');
    size_t length = colon ? static_cast<size_t>(colon - rest) : strlen(rest);
    if (length == 0 || length >= kHostSize)
        return 0;
    long value = scheme ? scheme->port : kPop3Port;
    if (colon) {
        const char *digits = colon + 1;
        if (!*digits)
            return 0;
        value = 0;
        for (const char *p = digits; *p; p++) {
            if (!isDigit(*p))
                return 0;
            value = value * 10 + (*p - '0');
            if (value > 65535)
                return 0;
        }
        if (value == 0)
            return 0;
    }
    memcpy(host, rest, length);
    host[length] = 0;
    *port = static_cast<unsigned short>(value);
    *tls = scheme ? scheme->tls : value == kPop3TlsPort;
    *imap = scheme ? scheme->imap : 0;
    return 1;
}
