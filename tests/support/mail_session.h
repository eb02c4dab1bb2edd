// The fixture of the mail check's Windows-side tests: an owner window like the program's, the
// message box recorder, a reply deadline of the tests' own, and a record of what each check did,
// against a server on its own or with a scripted one listening.
#pragma once

#include "mailcheck/connection.h"
#include "mailcheck/news.h"
#include "support/message_boxes.h"
#include "support/script_server.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

const DWORD kFinishMs = 15000; // for a scripted server to play out its script after the check

// An account as checkMailbox takes it.
struct Account {
    const char *name;
    const char *server;
    const char *user = "taro";
    const char *password = "secret";
    int apop = 0;
};

// What one check did.
struct Outcome {
    int count = 0;
    DWORD elapsedMs = 0;
    std::vector<RecordedBox> boxes; // as asked for
    std::vector<std::string> shown; // as read from the screen
    ScriptResult server;            // what the scripted server heard
    bool winsockReleased = false;   // the check gave back the Winsock references it took
    int fresh = 0;                  // it found mail that `memory` had not seen
};

class MailSession : public ::testing::Test {
  protected:
    // countWinsock: every test starts with no Winsock reference held, so that a check that keeps
    // one is seen.
    explicit MailSession(DWORD replyTimeoutMs = kReplyTimeoutMs, bool countWinsock = false)
        : replyTimeoutMs_(replyTimeoutMs), countWinsock_(countWinsock) {}
    void SetUp() override;
    void TearDown() override;

    // One checkMailbox call, each message box read and answered. With endSessionInBox the owner
    // window is told to end the session, as the program's main window is at a shutdown, while the
    // box is shown.
    Outcome check(const Account &account, bool endSessionInBox = false);

    // The same while a scripted server on `address` plays `script`, which then has finishMs to
    // end. The server's Winsock reference is taken before and given back after.
    Outcome check(const Account &account, const char *address, std::vector<ScriptStep> script,
                  DWORD finishMs = kFinishMs, bool endSessionInBox = false);

    // The count, and no box or exactly one error box with `text`.
    void expectResult(const Outcome &outcome, int count, const std::string &text = "");

    HWND owner = NULL;
    MailboxMemory *memory = NULL; // what the account's checks have seen, when a test learns it

  private:
    DWORD replyTimeoutMs_;
    bool countWinsock_;
};
