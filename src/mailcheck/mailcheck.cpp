#include "mailcheck/mailcheck.h"

#include "mailcheck/apop.h"
#include "mailcheck/imap.h"
#include "mailcheck/pop3.h"
#include "mailcheck/tls.h"

#include <winsock.h>

DWORD g_replyTimeoutMs = kReplyTimeoutMs;
DWORD g_connectTimeoutMs = kConnectTimeoutMs;

static SOCKET g_socket = INVALID_SOCKET;
static int g_tls;  // the session runs through the TLS channel
static int g_imap; // the session speaks IMAP
static char g_command[kCommandSize];
static char g_reply[kReplySize];
static size_t g_replyLength;
static int g_loginDisabled; // the IMAP server refuses LOGIN
static int g_unseen;        // the inbox's unseen count of the last STATUS response, or -1
static char g_message[kMessageSize];

static const char kCaption[] = "vemo";

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

static void sendBytes(const char *text, size_t length) {
    if (g_tls)
        tlsSend(text, length);
    else
        send(g_socket, text, static_cast<int>(length), 0);
}

static void sendText(const char *text) {
    sendBytes(text, static_cast<size_t>(lstrlenA(text)));
}

// Waits up to `waitMs` for the server's next bytes and copies up to `size` of them without taking
// them. Returns their count, 0 when the server ended the connection, -1 on time-out or error.
static int peekBytes(char *data, size_t size, DWORD waitMs) {
    if (g_tls)
        return tlsPeek(data, size, waitMs);
    if (!waitReadable(g_socket, waitMs))
        return -1;
    int count = recv(g_socket, data, static_cast<int>(size), MSG_PEEK);
    return count > 0 ? count : 0;
}

static void takeBytes(char *data, size_t count) {
    if (g_tls)
        tlsTake(count);
    else
        recv(g_socket, data, static_cast<int>(count), 0); // already taken from the peeked copy
}

// Reads one reply into g_reply: a POP3 line, or an IMAP response with the literals it announces,
// never past its end, so that nothing of a later reply is taken. All of it must arrive within
// g_replyTimeoutMs from `start`. Returns 1 when the reply ended or the peer closed after sending
// part of it, 0 on time-out, error, a close before any byte or an IMAP literal longer than INT_MAX.
static int receiveReply(DWORD start) {
    memset(g_reply, 0, sizeof g_reply);
    ImapReading reading = {}; // only its length counts for POP3
    for (;;) {
        g_replyLength = reading.length;
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= g_replyTimeoutMs)
            return 0;
        char data[kReplySize];
        int count = peekBytes(data, sizeof data, g_replyTimeoutMs - elapsed);
        if (count < 0)
            return 0;
        if (count == 0)
            return reading.length > 0;
        size_t used = 0;
        int ended = g_imap ? takeImapBytes(g_reply, sizeof g_reply, &reading, data,
                                           static_cast<size_t>(count), &used)
                           : takeReplyBytes(g_reply, sizeof g_reply, &reading.length, data,
                                            static_cast<size_t>(count), &used);
        takeBytes(data, used);
        g_replyLength = reading.length;
        if (ended)
            return ended > 0;
    }
}

// Connects within g_connectTimeoutMs, so that a host that drops the connection request cannot hold
// the program, and leaves the socket blocking again. Returns 1 when connected.
static int connectWithin(SOCKET connection, const sockaddr_in *address) {
    u_long nonBlocking = 1;
    if (ioctlsocket(connection, FIONBIO, &nonBlocking) != 0)
        return 0;
    if (connect(connection, reinterpret_cast<const sockaddr *>(address), sizeof *address) != 0) {
        if (WSAGetLastError() != WSAEWOULDBLOCK)
            return 0;
        timeval wait = {static_cast<long>(g_connectTimeoutMs / 1000),
                        static_cast<long>(g_connectTimeoutMs % 1000 * 1000)};
        fd_set writable, failed;
        FD_ZERO(&writable);
        FD_SET(connection, &writable);
        FD_ZERO(&failed);
        FD_SET(connection, &failed);
        if (select(0, NULL, &writable, &failed, &wait) != 1 || !FD_ISSET(connection, &writable))
            return 0;
        int error = 0;
        int size = sizeof error;
        if (getsockopt(connection, SOL_SOCKET, SO_ERROR, reinterpret_cast<char *>(&error), &size) !=
                0 ||
            error != 0)
            return 0;
    }
    u_long blocking = 0;
    return ioctlsocket(connection, FIONBIO, &blocking) == 0;
}

// Sends the command buffer and receives the reply; 1 when the reply is positive.
static int exchangeCommand() {
    sendText(g_command);
    return receiveReply(GetTickCount()) && isPositiveReply(g_reply);
}

static int failSession(HWND owner, const char *format, const char *displayName) {
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
    return receiveReply(GetTickCount()) && isPositiveReply(g_reply);
}

// Reads IMAP responses until the one tagged `tag`, or with `continuation` a continuation request,
// all within one reply deadline, and notes on the way what the untagged ones say. 1 when that
// response is OK or the continuation came.
static int awaitImapResponse(const char *tag, int continuation) {
    DWORD start = GetTickCount();
    while (receiveReply(start)) {
        if (continuation && g_reply[0] == '+')
            return 1;
        int condition = imapCondition(g_reply, tag);
        if (condition != kImapNone)
            return condition == kImapOk;
        int disabled = imapLoginDisabled(g_reply);
        if (disabled >= 0)
            g_loginDisabled = disabled;
        int unseen = imapStatusUnseen(g_reply, g_replyLength);
        if (unseen >= 0)
            g_unseen = unseen;
    }
    return 0;
}

// Sends LOGIN a part at a time: each literal's bytes only after the server has asked for them,
// and nothing more once the server says that it refuses the login.
static int logInWithImap(const char *user, const char *password) {
    if (g_loginDisabled || !buildImapLogin(g_command, sizeof g_command, user, password))
        return 0;
    for (const char *part = g_command;;) {
        const char *end = strstr(part, "\r\n") + 2;
        sendBytes(part, static_cast<size_t>(end - part));
        if (!*end)
            return awaitImapResponse("v1", 0);
        if (!awaitImapResponse("v1", 1) || g_loginDisabled)
            return 0;
        part = end;
    }
}

// The IMAP session on the open connection: the greeting, LOGIN unless the server has
// authenticated the connection already, and the unseen count of the inbox by STATUS.
static int checkImapMailbox(HWND owner, const char *displayName, const char *user,
                            const char *password) {
    g_unseen = -1;
    int greeting = receiveReply(GetTickCount()) ? imapCondition(g_reply, "*") : kImapNone;
    if (greeting != kImapOk && greeting != kImapPreauth)
        return failSession(owner, kConnectMessage, displayName);
    if (greeting == kImapOk) {
        // A server whose greeting lists no capabilities is asked for them before the login.
        g_loginDisabled = imapLoginDisabled(g_reply);
        if (g_loginDisabled < 0) {
            g_loginDisabled = 0;
            sendText("v0 CAPABILITY\r\n");
            if (!awaitImapResponse("v0", 0))
                return failSession(owner, kPassMessage, displayName);
        }
        if (!logInWithImap(user, password))
            return failSession(owner, kPassMessage, displayName);
    }
    sendText("v2 STATUS INBOX (UNSEEN)\r\n");
    if (!awaitImapResponse("v2", 0) || g_unseen < 0)
        return failSession(owner, kStatMessage, displayName);
    int count = g_unseen;
    endSession();
    return count;
}

int checkMailbox(HWND owner, const char *displayName, const char *server, const char *user,
                 const char *password, int apop) {
    if (!*server || !*user || !*password)
        return 0;
    char hostName[kHostSize];
    unsigned short port;
    int tls, imap;
    if (!parseServerField(server, hostName, &port, &tls, &imap)) {
        showMessage(owner, kLookupMessage, displayName);
        return 0;
    }
    WSADATA winsock;
    if (WSAStartup(MAKEWORD(1, 1), &winsock) != 0) {
        showText(owner, kWinsockMessage);
        return 0;
    }
    hostent *host = gethostbyname(hostName);
    if (!host) {
        showMessage(owner, kLookupMessage, displayName);
        WSACleanup();
        return 0;
    }
    SOCKET connection = socket(AF_INET, SOCK_STREAM, 0);
    if (connection == INVALID_SOCKET) {
        showMessage(owner, kSocketMessage, displayName);
        WSACleanup();
        return 0;
    }
    sockaddr_in address;
    memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    memcpy(&address.sin_addr, host->h_addr_list[0], sizeof address.sin_addr);
    if (!connectWithin(connection, &address)) {
        // Closed before the message, so that a shutdown meanwhile finds no session to end.
        closesocket(connection);
        showMessage(owner, kConnectMessage, displayName);
        WSACleanup();
        return 0;
    }
    if (tls) {
        // Nothing is sent to a server whose certificate does not hold, and nothing is left open.
        TlsOpening opening = tlsOpen(connection, hostName, g_replyTimeoutMs);
        if (opening != kTlsOpened) {
            closesocket(connection);
            showMessage(owner, opening == kTlsUntrusted ? kCertificateMessage : kConnectMessage,
                        displayName);
            WSACleanup();
            return 0;
        }
    }
    g_socket = connection;
    g_tls = tls;
    g_imap = imap;

    // The APOP flag means nothing for an IMAP account.
    if (imap)
        return checkImapMailbox(owner, displayName, user, password);
    if (!(receiveReply(GetTickCount()) && isPositiveReply(g_reply)))
        return failSession(owner, kConnectMessage, displayName);
    if (apop == 1) {
        if (!logInWithApop(user, password))
            return failSession(owner, kApopMessage, displayName);
    } else {
        // A line break in a field would put a second command on the wire: such a login is not sent.
        if (hasLineBreak(user))
            return failSession(owner, kUserMessage, displayName);
        wsprintfA(g_command, "USER %s\r\n", user);
        if (!exchangeCommand())
            return failSession(owner, kUserMessage, displayName);
        if (hasLineBreak(password))
            return failSession(owner, kPassMessage, displayName);
        wsprintfA(g_command, "PASS %s\r\n", password);
        if (!exchangeCommand())
            return failSession(owner, kPassMessage, displayName);
    }
    lstrcpyA(g_command, "STAT\r\n");
    if (!exchangeCommand())
        return failSession(owner, kStatMessage, displayName);
    int count = statCount(g_reply);
    endSession();
    return count;
}

void endSession() {
    if (g_socket == INVALID_SOCKET)
        return;
    lstrcpyA(g_command, g_imap ? "v3 LOGOUT\r\n" : "QUIT\r\n"); // its reply is not read
    sendText(g_command);
    if (g_tls)
        tlsClose();
    g_tls = 0;
    closesocket(g_socket);
    g_socket = INVALID_SOCKET;
    WSACleanup();
}
