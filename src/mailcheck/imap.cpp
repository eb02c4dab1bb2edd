// Reading, judging and noting IMAP responses, and writing the session's commands.
#include "mailcheck/imap.h"

#include <climits>
#include <cstdint>
#include <cstring>

// The tags of the session's commands.
#define CAPABILITY_TAG "v0"
#define LOGIN_TAG "v1"
#define STATUS_TAG "v2"
#define LOGOUT_TAG "v3"

const char kCapabilityTag[] = CAPABILITY_TAG;
const char kLoginTag[] = LOGIN_TAG;
const char kStatusTag[] = STATUS_TAG;
const char kCapabilityCommand[] = CAPABILITY_TAG " CAPABILITY\r\n";
const char kStatusCommand[] = STATUS_TAG " STATUS INBOX (UNSEEN UIDNEXT UIDVALIDITY)\r\n";
const char kLogoutCommand[] = LOGOUT_TAG " LOGOUT\r\n";
static const char kLoginStart[] = LOGIN_TAG " LOGIN ";

// How far the end of a line stands in a literal's announcement "{n}\r".
enum { kNoAnnouncement, kAfterBrace, kInDigits, kAfterClose, kAfterCarriageReturn };

static const unsigned kBeyondInt = static_cast<unsigned>(INT_MAX) + 1;

static bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

static char lowerCase(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Takes the lower-case `word` from the start of the text at *p, ignoring the case of ASCII
// letters; 0 when the text does not begin with it. Never reads past the text's terminator.
static int takeWord(const char **p, const char *word) {
    const char *q = *p;
    for (; *word; q++, word++) {
        if (lowerCase(*q) != *word)
            return 0;
    }
    *p = q;
    return 1;
}

// 1 when the text from `token` to `end` is the lower-case `word`, in any case.
static int isToken(const char *token, const char *end, const char *word) {
    return takeWord(&token, word) && token == end;
}

// Takes a line's end: LF, or CR and LF.
static int takeLineEnd(const char **p) {
    if (**p == '\r')
        ++*p;
    return takeWord(p, "\n");
}

// Adds a decimal digit to `value`, which stays at kBeyondInt once it has gone past INT_MAX.
static unsigned addDigit(unsigned value, char digit) {
    value = value > kBeyondInt / 10 ? kBeyondInt : value * 10 + static_cast<unsigned>(digit - '0');
    return value > INT_MAX ? kBeyondInt : value;
}

// Reads the number at *p, stopped just above 32 bits; 0 when no digit is there.
static int takeNumber(const char **p, uint64_t *value) {
    const char *start = *p;
    for (*value = 0; isDigit(**p); ++*p)
        if (*value <= UINT32_MAX)
            *value = *value * 10 + static_cast<uint64_t>(**p - '0');
    return *p > start;
}

// Where a capability scan stands on its line.
enum { kScanStart, kScanCondition, kScanList, kScanCode, kScanDone };

static bool isConditionWord(const char *token) {
    static const char *const kWords[] = {"ok", "no", "bad", "preauth", "bye"};
    for (const char *word : kWords)
        if (strcmp(token, word) == 0)
            return true;
    return false;
}

// Judges the token that has just ended: the first two or three tell whether the line lists
// capabilities ("* CAPABILITY ..." or "* OK [CAPABILITY ...]"), the rest are the list.
static void endCapabilityToken(ImapCapabilityScan *scan) {
    const char *token = scan->tokenLength < sizeof scan->token ? scan->token : "";
    int index = scan->tokens++;
    if (scan->state == kScanList || scan->state == kScanCode) {
        scan->loginDisabled |= strcmp(token, "logindisabled") == 0;
    } else if (index == 0) {
        scan->state = strcmp(token, "*") == 0 ? kScanStart : kScanDone;
    } else if (index == 1 && strcmp(token, "capability") == 0) {
        scan->state = kScanList;
        scan->listed = 1;
    } else if (index == 1 && isConditionWord(token)) {
        scan->state = kScanCondition;
    } else if (index == 2 && scan->state == kScanCondition && strcmp(token, "[capability") == 0) {
        scan->state = kScanCode;
        scan->listed = 1;
    } else {
        scan->state = kScanDone;
    }
    scan->tokenLength = 0;
    scan->token[0] = 0;
}

// Takes one byte of a response's first line.
static void scanCapabilities(ImapCapabilityScan *scan, char c) {
    if (scan->state == kScanDone)
        return;
    bool ends = c == ' ' || c == '\r' || c == '\n' || (c == ']' && scan->state == kScanCode);
    if (!ends) {
        if (scan->tokenLength < sizeof scan->token - 1) {
            scan->token[scan->tokenLength] = lowerCase(c);
            scan->token[scan->tokenLength + 1] = 0;
        }
        scan->tokenLength++;
        return;
    }
    if (scan->tokenLength > 0 || c != ' ')
        endCapabilityToken(scan);
    if (c != ' ')
        scan->state = kScanDone;
}

int takeImapBytes(char *reply, size_t size, ImapReading *reading, const char *data, size_t count,
                  size_t *used) {
    size_t taken = 0;
    int state = 0;
    while (taken < count && state == 0) {
        if (reading->taken >= kMaxImapResponseBytes) {
            state = -1;
            break;
        }
        size_t step = 1;
        if (reading->literal > 0) {
            step = count - taken < reading->literal ? count - taken : reading->literal;
            reading->literal -= step;
        } else {
            char c = data[taken];
            int announcement = reading->announcement;
            reading->announcement = kNoAnnouncement;
            // Only the first line can list capabilities: a literal ends the scan too.
            scanCapabilities(&reading->capabilities, c == '{' ? '\n' : c);
            if (c == '\n' && announcement >= kAfterClose) {
                // Room for this line feed, the literal and at least a line feed after it.
                if (reading->number + 2 > kMaxImapResponseBytes - reading->taken)
                    state = -1;
                else
                    reading->literal = static_cast<size_t>(reading->number);
            } else if (c == '\n') {
                state = 1;
            } else if (c == '{') {
                reading->announcement = kAfterBrace;
                reading->number = 0;
            } else if (isDigit(c) && (announcement == kAfterBrace || announcement == kInDigits)) {
                reading->announcement = kInDigits;
                reading->number = addDigit(reading->number, c);
            } else if (c == '}' && announcement == kInDigits) {
                reading->announcement = kAfterClose;
            } else if (c == '\r' && announcement == kAfterClose) {
                reading->announcement = kAfterCarriageReturn;
            }
        }
        reading->taken += step;
        size_t room = size - 1 - reading->length;
        size_t keep = step < room ? step : room;
        memcpy(reply + reading->length, data + taken, keep);
        reading->length += keep;
        reply[reading->length] = 0;
        taken += step;
    }
    *used = taken;
    return state;
}

static bool endsWord(char c) {
    return c == ' ' || c == '\r' || c == '\n' || c == '\0';
}

int imapCondition(const char *response, const char *tag) {
    size_t tagLength = strlen(tag);
    if (strncmp(response, tag, tagLength) != 0 || response[tagLength] != ' ')
        return kImapNone;
    // The words in the order of ImapCondition, each ended by a zero byte.
    const char *word = "ok\0no\0bad\0preauth\0bye\0";
    for (int condition = kImapOk; *word; condition++, word += strlen(word) + 1) {
        const char *p = response + tagLength + 1;
        if (takeWord(&p, word) && endsWord(*p))
            return condition;
    }
    return kImapNone;
}

int imapLoginDisabled(const char *response) {
    ImapCapabilityScan scan = {};
    for (const char *p = response;; p++) {
        scanCapabilities(&scan, *p ? *p : '\n');
        if (!*p || *p == '\n' || *p == '{')
            break;
    }
    return scan.listed ? scan.loginDisabled : -1;
}

void noteImapResponse(const char *response, const ImapReading &reading, ImapNotes *notes) {
    if (reading.capabilities.listed)
        notes->loginDisabled = reading.capabilities.loginDisabled;
    ImapUids uids;
    int unseen = imapStatusUnseen(response, &uids);
    if (unseen >= 0) {
        notes->unseen = unseen;
        notes->uids = uids;
    }
}

// Takes the mailbox name INBOX: an atom, a quoted string or a literal, in any case.
static int takeInbox(const char **p) {
    if (takeWord(p, "\""))
        return takeWord(p, "inbox\"");
    uint64_t length;
    if (takeWord(p, "{")) {
        return takeNumber(p, &length) && length == 5 && takeWord(p, "}") && takeLineEnd(p) &&
               takeWord(p, "inbox");
    }
    return takeWord(p, "inbox");
}

int imapStatusUnseen(const char *response, ImapUids *uids) {
    const char *p = response;
    if (!takeWord(&p, "* status ") || !takeInbox(&p) || !takeWord(&p, " ("))
        return -1;
    const uint64_t kAbsent = UINT64_MAX;
    uint64_t unseen = kAbsent, next = 0, validity = 0;
    while (*p && *p != ')') {
        const char *name = p;
        while (!endsWord(*p) && *p != ')')
            p++;
        const char *end = p;
        uint64_t value;
        if (!takeWord(&p, " ") || !takeNumber(&p, &value))
            return -1;
        if (isToken(name, end, "unseen"))
            unseen = value;
        else if (isToken(name, end, "uidnext"))
            next = value;
        else if (isToken(name, end, "uidvalidity"))
            validity = value;
        takeWord(&p, " ");
    }
    if (!takeWord(&p, ")") || !takeLineEnd(&p) || unseen > INT_MAX || next > UINT32_MAX ||
        validity > UINT32_MAX)
        return -1;
    if (uids)
        *uids = {static_cast<uint32_t>(next), static_cast<uint32_t>(validity)};
    return static_cast<int>(unseen);
}

// Appends `length` bytes of `text` at *at when they fit before the terminator's byte.
static int append(char *command, size_t size, size_t *at, const char *text, size_t length) {
    if (length >= size - *at)
        return 0;
    memcpy(command + *at, text, length);
    *at += length;
    command[*at] = 0;
    return 1;
}

// Appends a field as a quoted string, or as a literal when it holds a byte beyond 7-bit ASCII.
static int appendField(char *command, size_t size, size_t *at, const char *field) {
    size_t length = strlen(field), quoted = length + 2;
    bool quotable = true;
    for (size_t i = 0; i < length; i++) {
        if (field[i] == '\r' || field[i] == '\n')
            return 0;
        if (static_cast<unsigned char>(field[i]) >= 0x80)
            quotable = false;
        if (field[i] == '"' || field[i] == '\\')
            quoted++;
    }
    if (quotable) {
        if (quoted >= size - *at)
            return 0;
        char *out = command + *at;
        *out++ = '"';
        for (size_t i = 0; i < length; i++) {
            if (field[i] == '"' || field[i] == '\\')
                *out++ = '\\';
            *out++ = field[i];
        }
        *out++ = '"';
        *out = 0;
        *at += quoted;
        return 1;
    }
    char announcement[24];
    char *digit = announcement + sizeof announcement;
    *--digit = '\n';
    *--digit = '\r';
    *--digit = '}';
    size_t value = length;
    do {
        *--digit = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value);
    *--digit = '{';
    return append(command, size, at, digit,
                  static_cast<size_t>(announcement + sizeof announcement - digit)) &&
           append(command, size, at, field, length);
}

int buildImapLogin(char *command, size_t size, const char *user, const char *password) {
    size_t at = 0;
    return append(command, size, &at, kLoginStart, sizeof kLoginStart - 1) &&
           appendField(command, size, &at, user) && append(command, size, &at, " ", 1) &&
           appendField(command, size, &at, password) && append(command, size, &at, "\r\n", 2);
}
