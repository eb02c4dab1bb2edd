#include "mailcheck/pop3.h"

#include <climits>
#include <cstring>

const char kWinsockMessage[] = "Winsockの初期化に失敗しました。";
const char kLookupMessage[] =
    "' %s ' のサーバが見つかりません。\nアカウントの設定が正しいか確認してください。";
const char kSocketMessage[] = "' %s ' のソケットを作成できませんでした。";
const char kConnectMessage[] = "' %s ' のソケットに接続できませんでした。";
const char kApopMessage[] = "' %s ' のAPOP認証に失敗しました。";
const char kUserMessage[] = "' %s ' のUSER名が正しくありません。";
const char kPassMessage[] = "' %s ' のUSER名又はパスワードが正しくありません。";
const char kStatMessage[] = "' %s ' のメール件数を取得できませんでした。";
const char kCertificateMessage[] = "' %s ' のサーバ証明書を確認できませんでした。";

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

int isPositiveReply(const char *reply) {
    return strncmp(reply, "+OK", 3) == 0;
}

// strtol's white space other than the blank, which ends a token here: tab, LF, VT, FF, CR.
static bool isWhiteSpaceInToken(char c) {
    return c >= '\t' && c <= '\r';
}

int statCount(const char *reply) {
    const char *p = reply;
    while (*p == ' ')
        p++;
    while (*p && *p != ' ')
        p++;
    while (*p == ' ')
        p++;
    while (isWhiteSpaceInToken(*p))
        p++;
    bool negative = *p == '-';
    if (*p == '-' || *p == '+')
        p++;
    // Accumulate towards the sign so that INT_MIN is reachable, and stop at the limit: a count
    // that does not fit an int gets the nearest one instead of overflowing.
    long long value = 0;
    for (; isDigit(*p); p++) {
        value = value * 10 + (*p - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative)
        return static_cast<int>(-value);
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

int takeReplyBytes(char *reply, size_t size, size_t *length, const char *data, size_t count,
                   size_t *used) {
    const char *lineFeed = static_cast<const char *>(memchr(data, '\n', count));
    size_t line = lineFeed ? static_cast<size_t>(lineFeed - data) + 1 : count;
    size_t room = size - 1 - *length;
    size_t keep = line < room ? line : room;
    memcpy(reply + *length, data, keep);
    *length += keep;
    reply[*length] = 0;
    *used = line;
    return lineFeed != NULL;
}

int hasLineBreak(const char *field) {
    return strpbrk(field, "\r\n") != NULL;
}

static bool isLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

size_t fittingNameLength(const char *format, const char *name, size_t size) {
    size_t fixed = strlen(format) - 2; // without the "%s"
    if (fixed + 1 >= size)
        return 0;
    size_t room = size - 1 - fixed;
    size_t length = 0;
    while (name[length]) {
        size_t step =
            isLeadByte(static_cast<unsigned char>(name[length])) && name[length + 1] ? 2 : 1;
        if (length + step > room)
            break;
        length += step;
    }
    return length;
}
