// Judging POP3 replies and reading a reply line that arrives in pieces.
#include "mailcheck/pop3.h"

#include <climits>
#include <cstring>

static bool isDigit(char c) {
    return c >= '0' && c <= '9';
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

int readUidlLine(const char *line, int *number, const char **id, size_t *idLength) {
    const char *p = line;
    if (strncmp(p, "+OK ", 4) == 0)
        p += 4;
    long long value = 0;
    const char *digits = p;
    for (; isDigit(*p) && value <= INT_MAX; p++)
        value = value * 10 + (*p - '0');
    if (p == digits || value < 1 || value > INT_MAX || *p++ != ' ')
        return 0;
    const char *start = p;
    while (*p >= 0x21 && *p <= 0x7e)
        p++;
    size_t length = static_cast<size_t>(p - start);
    if (*p == '\r')
        p++;
    if (length < 1 || length > 70 || (*p != '\n' && *p != '\0') || (*p && p[1]))
        return 0;
    *number = static_cast<int>(value);
    *id = start;
    *idLength = length;
    return 1;
}

int isListEnd(const char *line) {
    return strcmp(line, ".\r\n") == 0 || strcmp(line, ".\n") == 0;
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
