// The IMAP response read in pieces, judged by its tag and condition, its capabilities and STATUS
// read, and the LOGIN line written.
#include "mailcheck/imap.h"
#include "support/session_buffers.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

TEST(ImapReading, ResponseEndsAtItsLastLineWhereverTheStreamIsSplit) {
    const std::string longLine = "* 1 FETCH (X " + std::string(2000, 'a') + " {3}\r\nxyz)\r\n";
    struct Case {
        std::string stream;
        size_t used; // the first response's bytes, all kept that fit the buffer
        int state;
    } cases[] = {
        {"v2 OK done\r\nv3 OK\r\n", 12, 1},
        {"* 3 EXISTS\n* 0 RECENT\r\n", 11, 1},
        {"* STATUS {5}\r\nINBOX (UNSEEN 3)\r\nv2 OK\r\n", 32, 1},
        {"* 1 FETCH (BODY[] {9}\r\na\r\nb\n{2}\n)\r\nv2 OK\r\n", 35, 1},
        {"* LIST () \"/\" {3}\r\na{b {2}\nxy\r\nv2 OK\r\n", 31, 1},
        {"* X {0}\r\n\r\nv2 OK\r\n", 11, 1},
        {"* OK {}\r\n{1}x\r\n", 9, 1},
        {"* OK {1}x\r\n", 11, 1},
        {"* OK {1}\r\r\n", 11, 1},
        {"* OK partial", 12, 0},
        {"* X {65522}\r\n" + std::string(65522, 'a') + "\n", 65536, 1},
        {"* X {65523}\r\n" + std::string(65523, 'a') + "\n", 13, -1},
        {"* X {2147483647}\r\nabc", 18, -1},
        {"* X {2147483648}\r\nabc", 18, -1},
        {"* OK " + std::string(70000, 'z'), kMaxImapResponseBytes, -1},
        {longLine + "v2 OK\r\n", longLine.size(), 1},
    };
    for (const Case &c : cases) {
        for (size_t piece = 1; piece <= c.stream.size(); piece += piece < 64 ? 1 : 97) {
            std::vector<char> reply(kReplySize, 'x'); // the sanitizers watch its end
            ImapReading reading = {};
            size_t position = 0, used = 1;
            int state = 0;
            while (state == 0 && position < c.stream.size() && used > 0) {
                size_t count = std::min(piece, c.stream.size() - position);
                state = takeImapBytes(reply.data(), kReplySize, &reading, &c.stream[position],
                                      count, &used);
                position += used;
            }
            EXPECT_EQ(position, c.used) << c.stream << ", " << piece;
            EXPECT_EQ(state, c.state) << c.stream << ", " << piece;
            EXPECT_STREQ(reply.data(),
                         c.stream.substr(0, std::min(c.used, kReplySize - 1)).c_str());
        }
    }
}

TEST(ImapCondition, WordAfterTheTagInAnyCase) {
    struct Case {
        const char *response, *tag;
        int condition;
    } cases[] = {
        {"v1 OK LOGIN completed\r\n", "v1", kImapOk},
        {"v1 ok", "v1", kImapOk},
        {"v1 NO [AUTHENTICATIONFAILED]\r\n", "v1", kImapNo},
        {"v2 BAD\r\n", "v2", kImapBad},
        {"* PREAUTH welcome\r\n", "*", kImapPreauth},
        {"* bye\r\n", "*", kImapBye},
        {"v1 OKAY\r\n", "v1", kImapNone},
        {"v10 OK\r\n", "v1", kImapNone},
        {"V1 OK\r\n", "v1", kImapNone},
        {"v1  OK\r\n", "v1", kImapNone},
        {"* 3 EXISTS\r\n", "*", kImapNone},
        {"+OK POP3 ready\r\n", "*", kImapNone},
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
        {"* ok [capability imap4rev1 logindisabled]\r\n", 1},
        {"* CAPABILITY IMAP4rev1 LOGINDISABLED\r\n", 1},
        {"* PREAUTH [CAPABILITY IMAP4rev1] hello\r\n", 0},
        {"* CAPABILITY IMAP4rev1 LOGINDISABLEDX XLOGINDISABLED\r\n", 0},
        {"* OK [ALERT] LOGINDISABLED\r\n", -1},
        {"v0 OK [CAPABILITY LOGINDISABLED] done\r\n", -1},
    };
    for (const Case &c : cases)
        EXPECT_EQ(imapLoginDisabled(c.response), c.disabled) << c.response;
}

TEST(ImapCapabilities, LoginDisabledIsSeenBeyondWhatIsKeptOfTheLine) {
    for (const char *last : {" LOGINDISABLED\r\n", " LOGINDISABLEDX\r\n"}) {
        std::string line = "* CAPABILITY IMAP4rev1 " + std::string(2 * kReplySize, 'X') + last;
        std::vector<char> reply(kReplySize);
        ImapReading reading = {};
        size_t used;
        ASSERT_EQ(
            takeImapBytes(reply.data(), kReplySize, &reading, line.data(), line.size(), &used), 1);
        ImapNotes notes = {-1, -1, {0, 0}};
        noteImapResponse(reply.data(), reading, &notes);
        EXPECT_EQ(notes.loginDisabled, last[14] == '\r') << last;
    }
}

TEST(ImapStatus, UnseenCountOfTheInboxOrFailure) {
    struct Case {
        std::string response;
        int unseen;
        ImapUids uids = {0, 0};
    } cases[] = {
        {"* STATUS INBOX (UNSEEN 3 UIDNEXT 4294967295 UIDVALIDITY 3857529045)\r\n",
         3,
         {4294967295u, 3857529045u}},
        {"* STATUS INBOX (uidvalidity 7 UNSEEN 1)\r\n", 1, {0, 7}},
        {"* STATUS INBOX (UNSEEN 3 UIDNEXT 4294967296)\r\n", -1},
        {"* STATUS INBOX (UNSEEN 3)\r\n", 3},
        {"* STATUS \"INBOX\" (UNSEEN 3)\r\n", 3},
        {"* STATUS {5}\r\nINBOX (UNSEEN 4)\r\n", 4},
        {"* status inbox (MESSAGES 9 unseen 0 HIGHESTMODSEQ 99999999999999999999)\n", 0},
        {"* STATUS INBOX (UNSEEN 0002147483647)\r\n", INT_MAX},
        {"* STATUS INBOX (UNSEEN 2147483648)\r\n", -1},
        {"* STATUS INBOX (MESSAGES 3)\r\n", -1},
        {"* STATUS INBOX (UNSEEN)\r\n", -1},
        {"* STATUS INBOX (UNSEEN 3)", -1},
        {"* STATUS INBOX (UNSEEN 3) more\r\n", -1},
        {"* STATUS INBOXES (UNSEEN 3)\r\n", -1},
        {"* STATUS {4}\r\nINBOX (UNSEEN 3)\r\n", -1},
        {std::string("* STATUS {5}\r\nIN\0OX (UNSEEN 3)\r\n", 32), -1},
        {"v2 OK [UNSEEN 3] STATUS completed\r\n", -1},
    };
    for (const Case &c : cases) {
        // An exact copy: the sanitizers see any read past its terminator.
        std::vector<char> response(c.response.begin(), c.response.end());
        response.push_back('\0');
        ImapUids uids = {0, 0};
        EXPECT_EQ(imapStatusUnseen(response.data(), &uids), c.unseen) << c.response;
        EXPECT_EQ(uids.next, c.uids.next) << c.response;
        EXPECT_EQ(uids.validity, c.uids.validity) << c.response;
    }
}

TEST(ImapLogin, QuotedStringsOrLiteralsAndNoLineBreak) {
    struct Case {
        std::string user, password, command; // "" when refused
        size_t size;
    } cases[] = {
        {"taro", "secret", "v1 LOGIN \"taro\" \"secret\"\r\n", 27},
        {"taro", "secret", "", 26},
        {"taro", "secret", "", 15}, // room for the quoted user, not for its terminator
        {"ta\"ro", "pa\\ss", "v1 LOGIN \"ta\\\"ro\" \"pa\\\\ss\"\r\n", kCommandSize},
        {"太郎", "\x7f", "v1 LOGIN {4}\r\n太郎 \"\x7f\"\r\n", kCommandSize},
        {"taro", "\x80", "v1 LOGIN \"taro\" {1}\r\n\x80\r\n", kCommandSize},
        {"taro\r\nv9 LOGOUT", "secret", "", kCommandSize},
        {"taro", "sec\nret", "", kCommandSize},
    };
    for (const Case &c : cases) {
        std::vector<char> command(c.size); // the sanitizers watch its end
        int built = buildImapLogin(command.data(), c.size, c.user.c_str(), c.password.c_str());
        EXPECT_EQ(built, !c.command.empty()) << c.user;
        EXPECT_EQ(built ? std::string(command.data()) : "", c.command) << c.user;
    }
}
