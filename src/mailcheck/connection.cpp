// The connection of the one mail session at a time: the name lookup, the TCP connection, the TLS
// channel, sending commands and reading replies whole.
#include "mailcheck/connection.h"

#include "mailcheck/pop3.h"
#include "mailcheck/tls.h"
#include "mailcheck/wait.h"

DWORD g_replyTimeoutMs = kReplyTimeoutMs;
DWORD g_connectTimeoutMs = kConnectTimeoutMs;

// What one read takes from the server at most.
static const size_t kPieceSize = 1024;

// Winsock's notices for the session's window: they only wake the wait, which then asks the socket
// itself, or they carry the lookup's answer.
static const UINT kSocketNotice = WM_APP + 1;
static const UINT kLookupNotice = WM_APP + 2;

static int g_winsock; // Winsock started for the session
static HWND g_window; // the message-only window that the notices go to; kept for the whole run
static SOCKET g_socket = INVALID_SOCKET;
static int g_tls; // the TLS channel is open
static const char *g_farewell;

// A name lookup may write its answer after it was given up (on Wine a cancelled lookup still
// does, and on Windows one already blocked in the resolver may), so every lookup has an answer
// block and a Winsock reference of its own, and gives both back only when it has answered.
static const int kMaxLookups = 8;
struct Lookup {
    HANDLE handle; // NULL: the slot is free
    char answer[MAXGETHOSTSTRUCT];
};
static Lookup g_lookups[kMaxLookups];
static HANDLE g_currentLookup; // the lookup the session waits for, NULL once answered or given up
static int g_lookupError;
static in_addr g_lookupAddress;

// Takes the answer of the current lookup; any lookup's answer frees its slot.
static LRESULT onLookupAnswer(HANDLE handle, LPARAM answer) {
    for (Lookup &lookup : g_lookups) {
        if (!handle || lookup.handle != handle)
            continue;
        if (handle == g_currentLookup) {
            g_currentLookup = NULL;
            const hostent *entry = reinterpret_cast<const hostent *>(lookup.answer);
            g_lookupError = WSAGETASYNCERROR(answer) ||
                            entry->h_length != static_cast<short>(sizeof g_lookupAddress) ||
                            !entry->h_addr_list[0];
            if (!g_lookupError)
                memcpy(&g_lookupAddress, entry->h_addr_list[0], sizeof g_lookupAddress);
        }
        lookup.handle = NULL;
        WSACleanup();
    }
    return 0;
}

static LRESULT CALLBACK noticeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kLookupNotice)
        return onLookupAnswer(reinterpret_cast<HANDLE>(wParam), lParam);
    return DefWindowProcA(window, message, wParam, lParam);
}

// Made at the first session and kept: an abandoned lookup's answer must still find it.
static HWND noticeWindow() {
    static const char kClassName[] = "vemoNoticeClass";
    if (g_window)
        return g_window;
    HINSTANCE instance = GetModuleHandleA(NULL);
    WNDCLASSA noticeClass = {};
    noticeClass.lpfnWndProc = noticeWindowProc;
    noticeClass.hInstance = instance;
    noticeClass.lpszClassName = kClassName;
    RegisterClassA(&noticeClass);
    g_window =
        CreateWindowExA(0, kClassName, NULL, 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, instance, NULL);
    return g_window;
}

// The first address of `host` into *address.
static Opening lookUp(const char *host, in_addr *address) {
    DWORD start = waitClock();
    Lookup *lookup = NULL;
    for (Lookup &candidate : g_lookups)
        if (!candidate.handle)
            lookup = &candidate;
    WSADATA winsock;
    // Without a free slot, lookups given up earlier have still not answered: none is started.
    if (!lookup || WSAStartup(MAKEWORD(1, 1), &winsock) != 0)
        return kOpenNoHost;
    lookup->handle =
        WSAAsyncGetHostByName(g_window, kLookupNotice, host, lookup->answer, sizeof lookup->answer);
    if (!lookup->handle) {
        WSACleanup();
        return kOpenNoHost;
    }
    g_currentLookup = lookup->handle;
    WaitResult waited = waitForAnswer(&g_currentLookup, start, g_connectTimeoutMs);
    if (waited != kWaitReady) {
        g_currentLookup = NULL; // its answer, when it comes, only frees its slot
        return waited == kWaitAbandoned ? kOpenAbandoned : kOpenNoHost;
    }
    if (g_lookupError)
        return kOpenNoHost;
    *address = g_lookupAddress;
    return kOpened;
}

// Connects within g_connectTimeoutMs, so that a host that drops the connection request cannot
// hold the session.
static Opening connectTo(const in_addr &host, unsigned short port) {
    sockaddr_in address;
    memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr = host;
    DWORD start = waitClock();
    if (connect(g_socket, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0)
        return kOpened;
    if (WSAGetLastError() != WSAEWOULDBLOCK)
        return kOpenNoConnect;
    WaitResult waited = waitForSocket(g_socket, kConnected, start, g_connectTimeoutMs);
    if (waited != kWaitReady)
        return waited == kWaitAbandoned ? kOpenAbandoned : kOpenNoConnect;
    int error = 0;
    int size = sizeof error;
    if (waitForSocket(g_socket, kWritable, waitClock(), 0) != kWaitReady ||
        getsockopt(g_socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char *>(&error), &size) != 0 ||
        error != 0)
        return kOpenNoConnect;
    return kOpened;
}

static Opening reach(const char *host, unsigned short port, int tls) {
    WSADATA winsock;
    if (WSAStartup(MAKEWORD(1, 1), &winsock) != 0)
        return kOpenNoWinsock;
    g_winsock = 1;
    if (!noticeWindow())
        return kOpenNoWinsock;
    in_addr address;
    Opening opening = lookUp(host, &address);
    if (opening != kOpened)
        return opening;
    g_socket = socket(AF_INET, SOCK_STREAM, 0);
    if (g_socket == INVALID_SOCKET)
        return kOpenNoSocket;
    // Makes the socket non-blocking: its readiness wakes the waits instead.
    if (WSAAsyncSelect(g_socket, g_window, kSocketNotice,
                       FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE) != 0)
        return kOpenNoSocket;
    opening = connectTo(address, port);
    if (opening != kOpened || !tls)
        return opening;
    // Nothing is sent to a server whose certificate does not hold.
    TlsOpening channel = tlsOpen(g_socket, host, g_replyTimeoutMs);
    if (g_sessionEnded)
        return kOpenAbandoned;
    if (channel != kTlsOpened)
        return channel == kTlsUntrusted ? kOpenUntrusted : kOpenNoConnect;
    g_tls = 1;
    return kOpened;
}

Opening openConnection(const char *host, unsigned short port, int tls) {
    g_sessionEnded = 0;
    g_farewell = NULL;
    Opening opening = reach(host, port, tls);
    if (opening != kOpened)
        endConnection();
    return opening;
}

static void transmit(const char *text) {
    size_t length = static_cast<size_t>(lstrlenA(text));
    if (g_tls)
        tlsSend(text, length, g_replyTimeoutMs);
    else
        sendAll(g_socket, text, length, g_replyTimeoutMs);
}

void sendText(const char *text) {
    if (!g_sessionEnded)
        transmit(text);
}

// Waits up to `waitMs` for the server's next bytes and copies up to `size` of them without taking
// them. Returns their count, 0 when the server ended the connection, -1 on time-out, error or the
// end of the session.
static int peekBytes(char *data, size_t size, DWORD waitMs) {
    if (g_tls)
        return tlsPeek(data, size, waitMs);
    if (waitForSocket(g_socket, kReadable, waitClock(), waitMs) != kWaitReady)
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

ReplyDeadline replyDeadline() {
    return {waitClock(), 0, 0};
}

// The bytes that have arrived and wait to be read: on the socket, and those the TLS channel holds.
static size_t arrivedBytes() {
    u_long waiting = 0;
    if (ioctlsocket(g_socket, FIONREAD, &waiting) != 0)
        waiting = 0;
    return waiting + (g_tls ? tlsHeldBytes() : 0);
}

int receiveReply(char *reply, size_t size, ImapReading *imap, ReplyDeadline *deadline) {
    memset(reply, 0, size);
    if (g_sessionEnded)
        return 0;
    size_t length = 0, line = 0;
    for (;;) {
        DWORD elapsed = waitClock() - deadline->start;
        if (!deadline->late && elapsed >= g_replyTimeoutMs) {
            // From now on only what has arrived is read, whatever keeps coming.
            deadline->late = 1;
            deadline->arrived = arrivedBytes();
        }
        char data[kPieceSize];
        size_t wanted = sizeof data;
        if (deadline->late && deadline->arrived < wanted)
            wanted = deadline->arrived;
        if (wanted == 0)
            return 0;
        int count = peekBytes(data, wanted, deadline->late ? 0 : g_replyTimeoutMs - elapsed);
        if (count < 0)
            return 0;
        if (count == 0)
            return (imap ? imap->length : length) > 0;
        size_t used = 0;
        int ended =
            imap ? takeImapBytes(reply, size, imap, data, static_cast<size_t>(count), &used)
                 : takeReplyBytes(reply, size, &length, data, static_cast<size_t>(count), &used);
        takeBytes(data, used);
        if (deadline->late)
            deadline->arrived -= used < deadline->arrived ? used : deadline->arrived;
        line += used;
        if (ended < 0 || (!imap && line > kMaxPop3Line))
            return 0;
        if (ended)
            return 1;
    }
}

void setFarewell(const char *line) {
    g_farewell = line;
}

void endConnection() {
    // First, so that no send below waits: the shutdown that may have called this cannot wait.
    g_sessionEnded = 1;
    g_currentLookup = NULL;
    if (g_socket != INVALID_SOCKET) {
        if (g_farewell)
            transmit(g_farewell);
        if (g_tls)
            tlsClose();
        g_tls = 0;
        closesocket(g_socket);
        g_socket = INVALID_SOCKET;
    }
    g_farewell = NULL;
    if (g_winsock) {
        WSACleanup();
        g_winsock = 0;
    }
}
