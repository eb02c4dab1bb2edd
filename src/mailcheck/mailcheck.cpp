#include "mailcheck/mailcheck.h"

#include "mailcheck/apop.h"
#include "mailcheck/connection.h"
#include "mailcheck/pop3.h"
#include "settings/settings.h"

DWORD g_replyTimeoutMs = kReplyTimeoutMs;
DWORD g_connectTimeoutMs = kConnectTimeoutMs;

static char g_command[kCommandSize];
static char g_reply[kReplySize];
static char g_message[kMessageSize];

static const char kCaption[] = "vemo";
static const char kQuit[] = "QUIT\r\n";

static void showText(HWND owner, const char *text) {
    MessageBoxA(owner, text, kCaption, MB_ICONERROR);
}

// Names the account in the message, cut so that the text fits its buffer.
static void showMessage(HWND owner, const char *format, const char *displayName) {
    char name[kMessageSize];
    size_t length = fittingNameLength(format, displayName, sizeof g_message);
    lstrcpynA(name, displayName, static_cast<int>(length) + 1);
    wsprintfA(g_message, format, name);
    showText(owner, g_message);
}

static int receiveReply() {
    return receiveLine(g_reply, sizeof g_reply);
}

// Sends the command buffer and receives the reply; 1 when the reply is positive.
static int exchangeCommand() {
    sendText(g_command);
    return receiveReply() && isPositiveReply(g_reply);
}

// A session ended while it waited (the program is closing) shows nothing.
static int failSession(HWND owner, const char *format, const char *displayName) {
    if (!connectionEnded())
        showMessage(owner, format, displayName);
    endSession();
    return 0;
}

static int logInWithApop(const char *user, const char *password) {
    if (hasLineBreak(user) || hasLineBreak(password))
        return 0;
    char *command = buildApopCommand(g_reply, user, password);
    if (!command)
        return 0;
    sendText(command);
    releaseBlock(command);
    return receiveReply() && isPositiveReply(g_reply);
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
                 const char *password, int apop) {
    if (!*server || !*user || !*password)
        return 0;
    // Taken now: while the session waits, the settings dialog may change or delete the account.
    char name[kNameSize], userName[kSecretSize], secret[kSecretSize];
    lstrcpynA(name, displayName, sizeof name);
    lstrcpynA(userName, user, sizeof userName);
    lstrcpynA(secret, password, sizeof secret);
    char hostName[kHostSize];
    unsigned short port;
    int tls;
    if (!parseServerField(server, hostName, &port, &tls)) {
        showMessage(owner, kLookupMessage, name);
        return 0;
    }
    Opening opening = openConnection(hostName, port, tls);
    if (opening == kOpenNoWinsock)
        showText(owner, kWinsockMessage);
    else if (opening != kOpened && opening != kOpenAbandoned)
        showMessage(owner, openingMessage(opening), name);
    if (opening != kOpened)
        return 0;

    int greeted = receiveReply() && isPositiveReply(g_reply);
    // Until its greeting has come, a server is left without QUIT.
    if (!connectionEnded())
        setFarewell(kQuit);
    if (!greeted)
        return failSession(owner, kConnectMessage, name);
    if (apop == 1) {
        if (!logInWithApop(userName, secret))
            return failSession(owner, kApopMessage, name);
    } else {
        // A line break in a field would put a second command on the wire: such a login is not sent.
        if (hasLineBreak(userName))
            return failSession(owner, kUserMessage, name);
        wsprintfA(g_command, "USER %s\r\n", userName);
        if (!exchangeCommand())
            return failSession(owner, kUserMessage, name);
        if (hasLineBreak(secret))
            return failSession(owner, kPassMessage, name);
        wsprintfA(g_command, "PASS %s\r\n", secret);
        if (!exchangeCommand())
            return failSession(owner, kPassMessage, name);
    }
    lstrcpyA(g_command, "STAT\r\n");
    if (!exchangeCommand())
        return failSession(owner, kStatMessage, name);
    int count = statCount(g_reply);
    endSession();
    return count;
}

void endSession() {
    endConnection();
}
