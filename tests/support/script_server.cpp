// The scripted server and the POP3 responder: listening, playing steps, relaying, answering.
#include "support/script_server.h"

namespace {

const DWORD kStepTimeoutMs = 10000; // for the client's next line, its close and the relay
const DWORD kSliceMs = 50;          // every wait is cut into slices so that a stop is seen soon

// `address`, port 110.
sockaddr_in loopbackAddress(const std::string &address) {
    sockaddr_in socketAddress = {};
    socketAddress.sin_family = AF_INET;
    socketAddress.sin_port = htons(110);
    socketAddress.sin_addr.s_addr = inet_addr(address.c_str());
    return socketAddress;
}

// What is left of `totalMs` since `start`.
DWORD remaining(DWORD start, DWORD totalMs) {
    DWORD elapsed = GetTickCount() - start;
    return elapsed < totalMs ? totalMs - elapsed : 0;
}

bool sendAll(SOCKET socket, const char *data, size_t length) {
    while (length > 0) {
        int sent = send(socket, data, static_cast<int>(length), 0);
        if (sent <= 0)
            return false;
        data += sent;
        length -= static_cast<size_t>(sent);
    }
    return true;
}

// Waits up to timeoutMs, in slices, for `socket` to have something to read; false on a stop.
bool readable(SOCKET socket, DWORD timeoutMs, const std::atomic<bool> &stop) {
    DWORD start = GetTickCount();
    while (!stop && GetTickCount() - start < timeoutMs) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(socket, &set);
        timeval slice = {0, static_cast<long>(kSliceMs * 1000)};
        int ready = select(0, &set, NULL, NULL, &slice);
        if (ready != 0)
            return ready > 0;
    }
    return false;
}

// Waits `ms` as exactly as the clock allows: a sleep would overshoot by up to a tick.
void waitExactly(DWORD ms) {
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    LONGLONG ticks = frequency.QuadPart * ms / 1000;
    for (;;) {
        QueryPerformanceCounter(&now);
        LONGLONG left = ticks - (now.QuadPart - start.QuadPart);
        if (left <= 0)
            return;
        if (left > frequency.QuadPart / 200)
            Sleep(1);
    }
}

SOCKET listenOn(const char *address) {
    SOCKET listener = socket(AF_INET, SOCK_STREAM, 0);
    if (listener == INVALID_SOCKET)
        return listener;
    sockaddr_in socketAddress = loopbackAddress(address);
    if (bind(listener, reinterpret_cast<sockaddr *>(&socketAddress), sizeof socketAddress) != 0 ||
        listen(listener, 1) != 0) {
        closesocket(listener);
        return INVALID_SOCKET;
    }
    return listener;
}

} // namespace

ScriptStep sendLine(const std::string &text) {
    return {StepKind::Send, text, 0};
}

ScriptStep sendSlowly(const std::string &text, DWORD delayMs) {
    return {StepKind::SendSlowly, text, delayMs};
}

ScriptStep readLine() {
    return {StepKind::ReadLine, "", 0};
}

ScriptStep closeConnection() {
    return {StepKind::Close, "", 0};
}

ScriptStep relayTo(const std::string &address) {
    return {StepKind::Relay, address, 0};
}

ScriptStep stall(DWORD delayMs) {
    return {StepKind::Stall, "", delayMs};
}

ScriptStep flood(const std::string &text) {
    return {StepKind::Flood, text, 0};
}

ScriptedServer::ScriptedServer(const char *address, std::vector<ScriptStep> script)
    : script_(std::move(script)) {
    listener_ = listenOn(address);
    if (listener_ == INVALID_SOCKET)
        return;
    thread_ = std::thread(&ScriptedServer::run, this);
}

ScriptedServer::~ScriptedServer() {
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
    if (listener_ != INVALID_SOCKET)
        closesocket(listener_);
}

ScriptResult ScriptedServer::finish(DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (!done_ && GetTickCount() - start < timeoutMs)
        Sleep(10);
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
    return result_;
}

bool ScriptedServer::waitReadable(SOCKET socket, DWORD timeoutMs) {
    return readable(socket, timeoutMs, stop_);
}

// Reads what the client has sent (at most up to the end of a line, when `line` is given); false
// when the client closed, failed or sent nothing in time.
bool ScriptedServer::readOne(std::string *line, DWORD timeoutMs) {
    if (!waitReadable(client_, timeoutMs))
        return false;
    char data[4096];
    int count = recv(client_, data, line ? 1 : sizeof data, 0);
    if (count <= 0) {
        result_.clientClosed = count == 0;
        return false;
    }
    result_.received.append(data, static_cast<size_t>(count));
    if (line)
        line->append(data, static_cast<size_t>(count));
    return true;
}

void ScriptedServer::drain(DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (readOne(NULL, remaining(start, timeoutMs)))
        ;
}

void ScriptedServer::relay(const std::string &address) {
    SOCKET upstream = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in socketAddress = loopbackAddress(address);
    if (upstream == INVALID_SOCKET ||
        connect(upstream, reinterpret_cast<sockaddr *>(&socketAddress), sizeof socketAddress) !=
            0) {
        closesocket(upstream);
        return;
    }
    DWORD start = GetTickCount();
    bool upstreamOpen = true;
    while (!stop_ && GetTickCount() - start < kStepTimeoutMs) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(client_, &readable);
        if (upstreamOpen)
            FD_SET(upstream, &readable);
        timeval slice = {0, static_cast<long>(kSliceMs * 1000)};
        if (select(0, &readable, NULL, NULL, &slice) <= 0)
            continue;
        char data[4096];
        if (upstreamOpen && FD_ISSET(upstream, &readable)) {
            int count = recv(upstream, data, sizeof data, 0);
            if (count > 0)
                sendAll(client_, data, static_cast<size_t>(count));
            else {
                shutdown(client_, 1); // SD_SEND: the client sees the server's end
                upstreamOpen = false;
            }
        }
        if (FD_ISSET(client_, &readable)) {
            int count = recv(client_, data, sizeof data, 0);
            if (count <= 0) {
                result_.clientClosed = count == 0;
                break;
            }
            result_.received.append(data, static_cast<size_t>(count));
            if (upstreamOpen)
                sendAll(upstream, data, static_cast<size_t>(count));
        }
    }
    closesocket(upstream);
}

void ScriptedServer::run() {
    if (waitReadable(listener_, kStepTimeoutMs)) {
        client_ = accept(listener_, NULL, NULL);
        result_.connected = client_ != INVALID_SOCKET;
    }
    if (result_.connected) {
        bool open = true;
        for (const ScriptStep &step : script_) {
            if (!open || stop_)
                break;
            step_++;
            switch (step.kind) {
            case StepKind::Send:
                open = sendAll(client_, step.text.data(), step.text.size());
                break;
            case StepKind::SendSlowly:
                for (size_t i = 0; open && !stop_ && i < step.text.size(); i++) {
                    open = sendAll(client_, &step.text[i], 1);
                    Sleep(step.delayMs);
                }
                break;
            case StepKind::ReadLine: {
                std::string line;
                DWORD start = GetTickCount();
                while (open && (line.empty() || line.back() != '\n'))
                    open = readOne(&line, remaining(start, kStepTimeoutMs));
                break;
            }
            case StepKind::Close:
                shutdown(client_, 1); // SD_SEND
                break;
            case StepKind::Relay:
                relay(step.text);
                open = false;
                break;
            case StepKind::Stall:
                waitReadable(client_, step.delayMs);
                break;
            case StepKind::Flood: {
                DWORD start = GetTickCount();
                while (open && !stop_ && remaining(start, kStepTimeoutMs) > 0)
                    open = sendAll(client_, step.text.data(), step.text.size());
                break;
            }
            }
        }
        if (!result_.clientClosed)
            drain(kStepTimeoutMs);
        closesocket(client_);
    }
    done_ = true;
}

Pop3Responder::Pop3Responder(const char *address, int count, DWORD delayMs)
    : count_(count), delayMs_(delayMs) {
    listener_ = listenOn(address);
    if (listener_ != INVALID_SOCKET)
        thread_ = std::thread(&Pop3Responder::run, this);
}

Pop3Responder::~Pop3Responder() {
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
    if (listener_ != INVALID_SOCKET)
        closesocket(listener_);
}

void Pop3Responder::refuseUser(const std::string &user) {
    std::lock_guard<std::mutex> lock(mutex_);
    refusedUser_ = user;
}

std::string Pop3Responder::refused() {
    std::lock_guard<std::mutex> lock(mutex_);
    return refusedUser_;
}

void Pop3Responder::run() {
    while (!stop_) {
        if (!readable(listener_, kSliceMs, stop_))
            continue;
        SOCKET client = accept(listener_, NULL, NULL);
        if (client == INVALID_SOCKET)
            continue;
        sessions_++;
        serve(client);
        closesocket(client);
    }
}

// One session: every line gets its reply, until QUIT, the client's close or a silence.
void Pop3Responder::serve(SOCKET client) {
    std::string refusedUser = refused(), user, line = "+OK ready\r\n";
    std::string stat = "+OK " + std::to_string(count_) + " 4096\r\n";
    for (;;) {
        waitExactly(delayMs_);
        if (!sendAll(client, line.data(), line.size()) || line == "+OK bye\r\n")
            return;
        std::string command;
        while (command.empty() || command.back() != '\n') {
            char byte;
            if (!readable(client, kStepTimeoutMs, stop_) || recv(client, &byte, 1, 0) != 1)
                return;
            command += byte;
        }
        if (command.compare(0, 5, "USER ") == 0)
            user = command.substr(5, command.size() - 7);
        if (command.compare(0, 5, "USER ") == 0 ||
            (command.compare(0, 5, "PASS ") == 0 && user != refusedUser))
            line = "+OK\r\n";
        else if (command == "STAT\r\n")
            line = stat;
        else if (command == "QUIT\r\n")
            line = "+OK bye\r\n";
        else
            line = "-ERR\r\n";
    }
}
