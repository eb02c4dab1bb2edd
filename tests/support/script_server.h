// The tests' own servers on loopback addresses, port 110. The scripted server makes the faults a
// real server does not: it accepts one connection, plays a script of steps in whatever protocol
// the script speaks (the POP3 and the IMAP tests have theirs), and records every byte the client
// sends. The POP3 responder answers session after session alike, for the benchmark. Every wait in
// them is bounded.
#pragma once

#include <winsock.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

enum class StepKind {
    Send,       // send the text at once
    SendSlowly, // send the text one byte at a time, delayMs apart
    ReadLine,   // wait for one line from the client (up to its LF)
    Close,      // end the server's side of the connection (the client reads its end)
    Relay,      // pass everything on to the server at `text`, port 110, both ways, until the end
    Stall,      // say nothing for delayMs, or until the client sends something or closes
    Flood,      // send the text again and again, as fast as the client takes it, until it closes
};

struct ScriptStep {
    StepKind kind;
    std::string text;
    DWORD delayMs;
};

ScriptStep sendLine(const std::string &text);
ScriptStep sendSlowly(const std::string &text, DWORD delayMs);
ScriptStep readLine();
ScriptStep closeConnection();
ScriptStep relayTo(const std::string &address);
ScriptStep stall(DWORD delayMs);
ScriptStep flood(const std::string &text);

struct ScriptResult {
    bool connected = false;    // a client connected
    std::string received;      // every byte it sent
    bool clientClosed = false; // it closed its end of the connection
};

// After the script the server stays silent and reads until the client closes. The caller must
// hold a Winsock reference (WSAStartup) for as long as the server lives.
class ScriptedServer {
  public:
    ScriptedServer(const char *address, std::vector<ScriptStep> script);
    ~ScriptedServer();
    bool listening() const {
        return listener_ != INVALID_SOCKET;
    }
    // Waits up to timeoutMs for the script and the client's close, then stops the server.
    ScriptResult finish(DWORD timeoutMs);
    // The index of the step being played; -1 until a client has connected.
    int step() const {
        return step_;
    }

  private:
    void run();
    bool waitReadable(SOCKET socket, DWORD timeoutMs);
    bool readOne(std::string *line, DWORD timeoutMs);
    void drain(DWORD timeoutMs);
    void relay(const std::string &address);

    SOCKET listener_ = INVALID_SOCKET;
    SOCKET client_ = INVALID_SOCKET;
    std::vector<ScriptStep> script_;
    ScriptResult result_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> done_{false};
    std::atomic<int> step_{-1};
    std::thread thread_;
};

// A POP3 server for many sessions, one after another, each answered alike: the greeting, USER,
// PASS, STAT with `count` messages and QUIT, every reply `delayMs` after the line it answers; it
// refuses UIDL, as a server without unique ids does.
// The user named by refuseUser is refused at PASS. The caller holds a Winsock reference.
class Pop3Responder {
  public:
    Pop3Responder(const char *address, int count, DWORD delayMs);
    ~Pop3Responder();
    bool listening() const {
        return listener_ != INVALID_SOCKET;
    }
    // From the next session on; "" refuses nobody.
    void refuseUser(const std::string &user);
    int sessions() const {
        return sessions_;
    }

  private:
    void run();
    void serve(SOCKET client);
    std::string refused();

    SOCKET listener_ = INVALID_SOCKET;
    int count_;
    DWORD delayMs_;
    std::string refusedUser_;
    std::mutex mutex_;
    std::atomic<int> sessions_{0};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};
