// One mail session: the POP3 dialogue or the IMAP one over the connection, and its messages.
#include "mailcheck/mailcheck.h"

#include "mailcheck/apop.h"
#include "mailcheck/connection.h"
#include "mailcheck/imap.h"
#include "mailcheck/messages.h"
#include "mailcheck/pop3.h"
#include "mailcheck/server_field.h"
#include "mailcheck/wait.h"
#include "res/version.h"
#include "settings/settings.h"

static const size_t kCommandSize = 1024;
static const size_t kReplySize = 1024;

static char g_command[kCommandSize];
static char g_reply[kReplySize];
static char g_message[kMessageSize];
static ImapNotes g_notes; // what the IMAP session's untagged responses have said

int g_queryFailed;
int g_queryOffline;
int g_queryNew;

static const char kQuit[] = "QUIT\r\n";

static void showText(HWND owner, const char *text) {
    g_queryFailed = 1;
    MessageBoxA(owner, text, VEMO_NAME, MB_ICONERROR);
}

// Names the account in the message, cut so that the text fits its buffer.
static void showMessage(HWND owner, const char *format, const char *displayName) {
    char name[kMessageSize];
    size_t length = fittingNameLength(format, displayName, sizeof g_message);
    lstrcpynA(name, displayName, static_cast<int>(length) + 1);
    wsprintfA(g_message, format, name);
    showText(owner, g_message);
}

// A session ended while it waited (the program is closing) shows nothing.
static int failSession(HWND owner, const char *format, const char *displayName) {
    if (!g_sessionEnded)
        showMessage(owner, format, displayName);
    endSession();
    return 0;
}

// Until its greeting has come, a server is left without a farewell.
static void greeted(const char *farewell) {
    if (!g_sessionEnded)
        setFarewell(farewell);
}

// One POP3 reply line into g_reply.
static int receiveLine() {
    ReplyDeadline deadline = replyDeadline();
    return receiveReply(g_reply, sizeof g_reply, NULL, &deadline);
}

// Sends the command buffer and receives the reply; 1 when the reply is positive.
static int exchangeCommand() {
    sendText(g_command);
    return receiveLine() && isPositiveReply(g_reply);
}

static int logInWithApop(const char *user, const char *password) {
    if (hasLineBreak(user) || hasLineBreak(password))
        return 0;
    char *command = buildApopCommand(g_reply, user, password);
    if (!command)
        return 0;
    sendText(command);
    releaseBlock(command);
    return receiveLine() && isPositiveReply(g_reply);
}

// Reads the whole id list of a mailbox of `count` messages into `ids`, within one deadline: at
// most `count` lines before its end. The number of ids, or -1 when the list goes wrong or beyond.
static long long receiveIdList(uint64_t *ids, int count) {
    ReplyDeadline deadline = replyDeadline();
    for (long long listed = 0;; listed++) {
        if (!receiveReply(g_reply, sizeof g_reply, NULL, &deadline))
            return -1;
        if (isListEnd(g_reply))
            return listed;
        int number;
        const char *id;
        size_t length;
        if (listed == count || !readUidlLine(g_reply, &number, &id, &length))
            return -1;
        ids[listed] = idHash(id, length);
    }
}

// What is new since the account's last query, by the messages' unique ids: the last message's is
// asked first, and the whole list only when that one is another; by the count where the server
// gives no ids. 1 when something is new, 0 when not, -1 when the list went wrong.
static int learnPop3News(MailboxMemory *memory, int count) {
    if (count == 0)
        return takeCount(memory, 0);
    wsprintfA(g_command, "UIDL %d\r\n", count);
    int number;
    const char *id;
    size_t length;
    if (!exchangeCommand() || !readUidlLine(g_reply, &number, &id, &length) || number != count)
        return takeCount(memory, count);
    uint64_t lastId = idHash(id, length);
    if (!needsIdList(memory, count, lastId))
        return 0;
    uint64_t *ids = newIdBlock(static_cast<size_t>(count));
    if (!ids)
        return takeCount(memory, count);
    lstrcpyA(g_command, "UIDL\r\n");
    int listing = exchangeCommand();
    long long listed = listing ? receiveIdList(ids, count) : -1;
    if (listed < 0) {
        freeIdBlock(ids);
        return listing ? -1 : takeCount(memory, count);
    }
    return takeIdList(memory, ids, static_cast<size_t>(listed), lastId);
}

// The POP3 session on the open connection: the greeting, USER and PASS or APOP, the count of
// messages by STAT and, with a memory, what is new by UIDL.
static int checkPop3Mailbox(HWND owner, const char *name, const char *user, const char *password,
                            int apop, MailboxMemory *memory) {
    int positive = receiveLine() && isPositiveReply(g_reply);
    greeted(kQuit);
    if (!positive)
        return failSession(owner, kConnectMessage, name);
    if (apop == 1) {
        if (!logInWithApop(user, password))
            return failSession(owner, kApopMessage, name);
    } else {
        // A line break in a field would put a second command on the wire: such a login is not sent.
        if (hasLineBreak(user))
            return failSession(owner, kUserMessage, name);
        wsprintfA(g_command, "USER %s\r\n", user);
        if (!exchangeCommand())
            return failSession(owner, kUserMessage, name);
        if (hasLineBreak(password))
            return failSession(owner, kPassMessage, name);
        wsprintfA(g_command, "PASS %s\r\n", password);
        if (!exchangeCommand())
            return failSession(owner, kPassMessage, name);
    }
    lstrcpyA(g_command, "STAT\r\n");
    if (!exchangeCommand())
        return failSession(owner, kStatMessage, name);
    int count = statCount(g_reply);
    if (memory) {
        int fresh = learnPop3News(memory, count > 0 ? count : 0);
        if (fresh < 0)
            return failSession(owner, kStatMessage, name);
        g_queryNew = fresh;
    }
    endSession();
    return count;
}

// Reads IMAP responses until the one tagged `tag`, or with `continuation` a continuation request,
// all within one reply deadline, and notes on the way what the untagged ones say. 1 when that
// response is OK or the continuation came.
static int awaitImapResponse(const char *tag, int continuation) {
    ReplyDeadline deadline = replyDeadline();
    size_t taken = 0; // by the responses so far, which share one bound
    for (;;) {
        ImapReading reading = {};
        reading.taken = taken;
        if (!receiveReply(g_reply, sizeof g_reply, &reading, &deadline))
            return 0;
        taken = reading.taken;
        if (continuation && g_reply[0] == '+')
            return 1;
        int condition = imapCondition(g_reply, tag);
        if (condition != kImapNone)
            return condition == kImapOk;
        noteImapResponse(g_reply, reading, &g_notes);
    }
}

// Sends LOGIN a part at a time: each literal's bytes only after the server has asked for them,
// and nothing more once the server says that it refuses the login. While a literal is announced
// and not sent, a LOGOUT would be taken as its bytes: the session then ends without one.
static int logInWithImap(const char *user, const char *password) {
    if (g_notes.loginDisabled > 0 || !buildImapLogin(g_command, sizeof g_command, user, password))
        return 0;
    for (const char *part = g_command;;) {
        const char *end = strstr(part, "\r\n") + 2;
        char text[kCommandSize];
        lstrcpynA(text, part, static_cast<int>(end - part) + 1);
        if (*end)
            setFarewell(NULL);
        sendText(text);
        if (!*end) {
            setFarewell(kLogoutCommand);
            return awaitImapResponse(kLoginTag, 0);
        }
        if (!awaitImapResponse(kLoginTag, 1) || g_notes.loginDisabled > 0)
            return 0;
        part = end;
    }
}

// The IMAP session on the open connection: the greeting, LOGIN unless the server has
// authenticated the connection already, and the unseen count of the inbox by STATUS. The APOP
// flag means nothing here.
static int checkImapMailbox(HWND owner, const char *name, const char *user, const char *password,
                            MailboxMemory *memory) {
    g_notes = {-1, -1, {0, 0}};
    ImapReading reading = {};
    ReplyDeadline deadline = replyDeadline();
    int greeting = receiveReply(g_reply, sizeof g_reply, &reading, &deadline)
                       ? imapCondition(g_reply, "*")
                       : kImapNone;
    greeted(kLogoutCommand);
    if (greeting != kImapOk && greeting != kImapPreauth)
        return failSession(owner, kConnectMessage, name);
    if (greeting == kImapOk) {
        // A server whose greeting lists no capabilities is asked for them before the login.
        noteImapResponse(g_reply, reading, &g_notes);
        if (g_notes.loginDisabled < 0) {
            sendText(kCapabilityCommand);
            if (!awaitImapResponse(kCapabilityTag, 0))
                return failSession(owner, kPassMessage, name);
        }
        if (!logInWithImap(user, password))
            return failSession(owner, kPassMessage, name);
    }
    sendText(kStatusCommand);
    if (!awaitImapResponse(kStatusTag, 0) || g_notes.unseen < 0)
        return failSession(owner, kStatMessage, name);
    int count = g_notes.unseen;
    if (memory)
        g_queryNew = takeImapStatus(memory, count, g_notes.uids.next, g_notes.uids.validity);
    endSession();
    return count;
}

// The message of a connection that could not be opened ("%s" names the account).
static const char *openingMessage(Opening opening) {
    switch (opening) {
    case kOpenNoHost:
        return kLookupMessage;
    case kOpenNoSocket:
        return kSocketMessage;
    case kOpenUntrusted:
        return kCertificateMessage;
    default:
        return kConnectMessage;
    }
}

int checkMailbox(HWND owner, const char *displayName, const char *server, const char *user,
                 const char *password, int apop, MailboxMemory *memory, OnlineProbe isOnline) {
    g_queryFailed = 0;
    g_queryOffline = 0;
    g_queryNew = 0;
    if (!*server || !*user || !*password)
        return 0;
    // Taken now: while the session waits, the settings dialog may change or delete the account.
    char name[kNameSize], userName[kSecretSize], secret[kSecretSize];
    lstrcpynA(name, displayName, sizeof name);
    lstrcpynA(userName, user, sizeof userName);
    lstrcpynA(secret, password, sizeof secret);
    char hostName[kHostSize];
    unsigned short port;
    int tls, imap;
    if (!parseServerField(server, hostName, &port, &tls, &imap)) {
        showMessage(owner, kLookupMessage, name);
        return 0;
    }
    Opening opening = openConnection(hostName, port, tls);
    // A server that cannot be found or reached while the computer is offline says nothing of
    // the account.
    if ((opening == kOpenNoHost || opening == kOpenNoConnect) && isOnline && !isOnline()) {
        g_queryOffline = 1;
        return 0;
    }
    if (opening == kOpenNoWinsock)
        showText(owner, kWinsockMessage);
    else if (opening != kOpened && opening != kOpenAbandoned)
        showMessage(owner, openingMessage(opening), name);
    if (opening != kOpened)
        return 0;
    if (imap)
        return checkImapMailbox(owner, name, userName, secret, memory);
    return checkPop3Mailbox(owner, name, userName, secret, apop, memory);
}

void endSession() {
    endConnection();
}
