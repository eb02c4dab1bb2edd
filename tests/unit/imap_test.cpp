#include "mailcheck/imap.h"
#include "mailcheck/pop3.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

struct Reading {
    std::string reply;
    int state;
    size_t used;
};

// Feeds `stream` to takeImapBytes in pieces of `piece` bytes, as a socket might deliver it.
Reading readInPieces(const std::string &stream, size_t piece, size_t size = kReplySize) {
    std::vector<char> buffer(size, '\0');
    ImapReading reading = {};
    size_t position = 0;
    int state = 0;
    while (state == 0 && position < stream.size()) {
        size_t count = std::min(piece, stream.size() - position);
        size_t used = 0;
        state =
            takeImapBytes(buffer.data(), size, &reading, stream.data() + position, count, &used);
        EXPECT_LE(used, count);
        EXPECT_EQ(buffer[reading.length], '\0');
        position += used;
        if (used < count)
            break;
    }
    return {std::string(buffer.data(), reading.length), state, position};
}

} // namespace

TEST(ImapReading, ResponseEndsAtItsLastLineWhereverTheStreamIsSplit) {
    const std::string longLine = "* 1 FETCH (X " + std::string(2000, 'a') + " {3}\r\n";
    struct Case {
        const char *what;
        std::string stream;
        std::string response; // what belongs to the first response
        int state;
    } cases[] = {
        {"tagged line", "v2 OK done\r\nv3 OK\r\n", "v2 OK done\r\n", 1},
        {"line feed alone", "* 3 EXISTS\n* 0 RECENT\r\n", "* 3 EXISTS\n", 1},
        {"literal mailbox", "* STATUS {5}\r\nINBOX (UNSEEN 3)\r\nv2 OK\r\n",
         "* STATUS {5}\r\nINBOX (UNSEEN 3)\r\n", 1},
        {"literal with line ends and braces",
         "* 1 FETCH (BODY[] {9}\r\na\r\nb\n{2}\n)\r\nv2 OK\r\n",
         "* 1 FETCH (BODY[] {9}\r\na\r\nb\n{2}\n)\r\n", 1},
        {"two literals", "* LIST () \"/\" {3}\r\na{b {2}\nxy\r\nv2 OK\r\n",
         "* LIST () \"/\" {3}\r\na{b {2}\nxy\r\n", 1},
        {"empty literal", "* X {0}\r\n\r\nv2 OK\r\n", "* X {0}\r\n\r\n", 1},
        {"no digits", "* OK {}\r\nv2 OK\r\n", "* OK {}\r\n", 1},
        {"no closing brace", "* OK {12\r\nv2 OK\r\n", "* OK {12\r\n", 1},
        {"text after the brace", "* OK {1}x\r\nv2 OK\r\n", "* OK {1}x\r\n", 1},
        {"two carriage returns", "* OK {1}\r\r\nv2 OK\r\n", "* OK {1}\r\r\n", 1},
        {"brace in the middle", "* OK {1} later\r\nv2 OK\r\n", "* OK {1} later\r\n", 1},
        {"unfinished line", "* OK partial", "* OK partial", 0},
        {"literal still coming", "* X {2147483647}\r\nabc", "* X {2147483647}\r\nabc", 0},
        {"literal beyond int", "* X {2147483648}\r\nabc", "* X {2147483648}\r\n", -1},
        {"literal far beyond int", "* X {99999999999999999999}\r\n",
         "* X {99999999999999999999}\r\n", -1},
        {"overlong line announcing a literal", longLine + "xyz)\r\nv2 OK\r\n",
         longLine + "xyz)\r\n", 1},
    };
    for (const Case &c : cases) {
        for (size_t piece = 1; piece <= c.stream.size(); piece += piece < 64 ? 1 : 97) {
            Reading r = readInPieces(c.stream, piece);
            EXPECT_EQ(r.reply, c.response.substr(0, kReplySize - 1)) << c.what << ", " << piece;
            EXPECT_EQ(r.state, c.state) << c.what << ", " << piece;
            EXPECT_EQ(r.used, c.response.size()) << c.what << ", " << piece;
        }
    }
}

TEST(ImapReading, NeverWritesPastASmallBuffer) {
    // The sanitizers watch the heap buffer that readInPieces uses.
    Reading r = readInPieces("* X {4}\r\nabcd\r\nv2 OK\r\n", 3, 6);
    EXPECT_EQ(r.reply, "* X {");
    EXPECT_EQ(r.state, 1);
    EXPECT_EQ(r.used, 15u);
}

TEST(ImapCondition, WordAfterTheTagInAnyCase) {
    struct Case {
        const char *response;
        const char *tag;
        int condition;
    } cases[] = {
        {"v1 OK LOGIN completed\r\n", "v1", kImapOk},
        {"v1 ok\r\n", "v1", kImapOk},
        {"v1 OK", "v1", kImapOk},
        {"v1 NO [AUTHENTICATIONFAILED] wrong\r\n", "v1", kImapNo},
        {"v2 BAD unknown command\r\n", "v2", kImapBad},
        {"v1 OKAY\r\n", "v1", kImapNone},
        {"v10 OK\r\n", "v1", kImapNone},
        {"v2 OK\r\n", "v1", kImapNone},
        {"V1 OK\r\n", "v1", kImapNone},
        {"v1  OK\r\n", "v1", kImapNone},
        {"v1OK\r\n", "v1", kImapNone},
        {"* OK [CAPABILITY IMAP4rev1] ready\r\n", "*", kImapOk},
        {"* PREAUTH welcome back\r\n", "*", kImapPreauth},
        {"* bye shutting down\r\n", "*", kImapBye},
        {"* NO busy\r\n", "*", kImapNo},
        {"* 3 EXISTS\r\n", "*", kImapNone},
        {"* OK\r\n", "v1", kImapNone},
        {"+ go ahead\r\n", "*", kImapNone},
        {"+OK POP3 ready\r\n", "*", kImapNone},
        {"", "*", kImapNone},
    };
    for (const Case &c : cases)
        EXPECT_EQ(imapCondition(c.response, c.tag), c.condition) << c.response;
}

TEST(ImapCapabilities, LoginDisabledOnlyAsAWholeCapability) {
    struct Case {
        const char *response;
        int disabled;
    } cases[] = {
        {"* OK [CAPABILITY IMAP4rev1 LOGINDISABLED STARTTLS] ready\r\n", 1},
        {"* OK [CAPABILITY IMAP4rev1 STARTTLS LOGINDISABLED] ready\r\n", 1},
        {"* ok [capability imap4rev1 logindisabled]\r\n", 1},
        {"* CAPABILITY IMAP4rev1 LOGINDISABLED\r\n", 1},
        {"* PREAUTH [CAPABILITY IMAP4rev1] hello\r\n", 0},
        {"* OK [CAPABILITY IMAP4rev1 AUTH=PLAIN] Dovecot ready.\r\n", 0},
        {"* CAPABILITY IMAP4rev1 LOGINDISABLEDX\r\n", 0},
        {"* CAPABILITY IMAP4rev1 XLOGINDISABLED AUTH=PLAIN\r\n", 0},
        {"* OK ready\r\n", -1},
        {"* OK [ALERT] LOGINDISABLED\r\n", -1},
        {"* OK ready [CAPABILITY LOGINDISABLED]\r\n", -1},
        {"v0 OK [CAPABILITY LOGINDISABLED] done\r\n", -1},
        {"* CAPABILITY", -1},
        {"", -1},
    };
    for (const Case &c : cases)
        EXPECT_EQ(imapLoginDisabled(c.response), c.disabled) << c.response;
}

TEST(ImapStatus, UnseenCountOfTheInboxOrFailure) {
    struct Case {
        std::string response;
        int unseen;
    } cases[] = {
        {"* STATUS INBOX (UNSEEN 3)\r\n", 3},
        {"* STATUS \"INBOX\" (UNSEEN 3)\r\n", 3},
        {"* STATUS {5}\r\nINBOX (UNSEEN 4)\r\n", 4},
        {"* STATUS {005}\ninbox (UNSEEN 4)\n", 4},
        {"* status Inbox (unseen 0)\r\n", 0},
        {"* STATUS INBOX (MESSAGES 9 UNSEEN 2 HIGHESTMODSEQ 99999999999999999999)\r\n", 2},
        {"* STATUS INBOX (UNSEEN 2147483647)\r\n", INT_MAX},
        {"* STATUS INBOX (UNSEEN 0002147483647)\r\n", INT_MAX},
        {"* STATUS INBOX (UNSEEN 2147483648)\r\n", -1},
        {"* STATUS INBOX (UNSEEN 99999999999999999999)\r\n", -1},
        {"* STATUS INBOX (UNSEEN -1)\r\n", -1},
        {"* STATUS INBOX (MESSAGES 3)\r\n", -1},
        {"* STATUS INBOX ()\r\n", -1},
        {"* STATUS INBOX (UNSEEN)\r\n", -1},
        {"* STATUS INBOX (UNSEENS 3)\r\n", -1},
        {"* STATUS INBOX (UNSEEN 3\r\n", -1},
        {"* STATUS INBOX (UNSEEN 3)", -1},
        {"* STATUS INBOX (UNSEEN 3)\r", -1},
        {"* STATUS INBOX (UNSEEN 3) more\r\n", -1},
        {"* STATUS Sent (UNSEEN 3)\r\n", -1},
        {"* STATUS INBOXES (UNSEEN 3)\r\n", -1},
        {"* STATUS \"INBOX (UNSEEN 3)\r\n", -1},
        {"* STATUS {6}\r\nINBOX. (UNSEEN 3)\r\n", -1},
        {"* STATUS {4}\r\nINBOX (UNSEEN 3)\r\n", -1},
        {"* STATUS {5}\r\nINBO", -1},
        {std::string("* STATUS {5}\r\nIN\0OX (UNSEEN 3)\r\n", 32), -1},
        {"* LIST () \"/\" INBOX\r\n", -1},
        {"v2 OK [UNSEEN 3] STATUS completed\r\n", -1},
        {"", -1},
    };
    for (const Case &c : cases) {
        // An exact copy without terminator: the sanitizers see any read past its end.
        std::vector<char> response(c.response.begin(), c.response.end());
        EXPECT_EQ(imapStatusUnseen(response.data(), response.size()), c.unseen) << c.response;
    }
}

TEST(ImapLogin, QuotedStringsOrLiteralsAndNoLineBreak) {
    // Sixty-three quotes and sixty-three backslashes, each escaped.
    std::string quotes, backslashes;
    for (int i = 0; i < 63; i++) {
        quotes += "\\\"";
        backslashes += "\\\\";
    }
    struct Case {
        std::string user, password, command; // "" when refused
    } cases[] = {
        {"taro", "secret", "v1 LOGIN \"taro\" \"secret\"\r\n"},
        {"ta\"ro", "pa\\ss", "v1 LOGIN \"ta\\\"ro\" \"pa\\\\ss\"\r\n"},
        {"taro", "a b{3}", "v1 LOGIN \"taro\" \"a b{3}\"\r\n"},
        {"太郎", "secret", "v1 LOGIN {4}\r\n太郎 \"secret\"\r\n"},
        {"taro", "ﾊﾟｽ\"", "v1 LOGIN \"taro\" {4}\r\nﾊﾟｽ\"\r\n"},
        {std::string(63, '\xe9'), "\x7f\x01",
         "v1 LOGIN {63}\r\n" + std::string(63, '\xe9') + " \"\x7f\x01\"\r\n"},
        {"taro", "\x80", "v1 LOGIN \"taro\" {1}\r\n\x80\r\n"},
        {std::string(63, '"'), std::string(63, '\\'),
         "v1 LOGIN \"" + quotes + "\" \"" + backslashes + "\"\r\n"},
        {"taro\r\nv9 LOGOUT", "secret", ""},
        {"taro", "sec\nret", ""},
        {"taro", "sec\rret", ""},
    };
    for (const Case &c : cases) {
        char command[kCommandSize];
        int built = buildImapLogin(command, sizeof command, c.user.c_str(), c.password.c_str());
        EXPECT_EQ(built, !c.command.empty()) << c.user;
        if (built) {
            EXPECT_EQ(std::string(command), c.command) << c.user;
        }
    }
}

TEST(ImapLogin, CommandThatDoesNotFitIsNotBuilt) {
    const std::string line = "v1 LOGIN \"taro\" \"secret\"\r\n";
    for (size_t size : {line.size(), line.size() + 1}) {
        std::vector<char> command(size); // the sanitizers watch its end
        EXPECT_EQ(buildImapLogin(command.data(), size, "taro", "secret"), size > line.size());
    }
}
