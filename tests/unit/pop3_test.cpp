#include "mailcheck/messages.h"
#include "mailcheck/pop3.h"
#include "mailcheck/server_field.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

const size_t kReplySize = 1024; // the session's reply buffer

// Feeds `stream` to takeReplyBytes in pieces of `piece` bytes, as a socket might deliver it, and
// gives the reply read, whether its line ended and how many bytes of the stream it used.
struct Reading {
    std::string reply;
    int ended;
    size_t used;
};

Reading readInPieces(const std::string &stream, size_t piece, size_t size = kReplySize) {
    std::string buffer(size, '\0');
    size_t length = 0, position = 0;
    int ended = 0;
    while (!ended && position < stream.size()) {
        size_t count = std::min(piece, stream.size() - position);
        size_t used = 0;
        ended = takeReplyBytes(&buffer[0], size, &length, stream.data() + position, count, &used);
        EXPECT_LE(used, count);
        EXPECT_EQ(buffer[length], '\0');
        position += used;
        if (used < count)
            break;
    }
    return {buffer.c_str(), ended, position};
}

std::string format(const char *text, const std::string &name) {
    char out[2048];
    snprintf(out, sizeof out, text, name.c_str());
    return out;
}

const char *const kNamedMessages[] = {kLookupMessage, kSocketMessage,     kConnectMessage,
                                      kApopMessage,   kUserMessage,       kPassMessage,
                                      kStatMessage,   kCertificateMessage};

} // namespace

TEST(Pop3Reply, PositiveOnlyWhenItStartsWithOk) {
    EXPECT_EQ(isPositiveReply("+OK"), 1);
    EXPECT_EQ(isPositiveReply("+OK 2 320\r\n"), 1);
    EXPECT_EQ(isPositiveReply("+OKAY"), 1);
    EXPECT_EQ(isPositiveReply("-ERR no such user\r\n"), 0);
    EXPECT_EQ(isPositiveReply("+ok\r\n"), 0);
    EXPECT_EQ(isPositiveReply(" +OK\r\n"), 0);
    EXPECT_EQ(isPositiveReply("-ERR +OK\r\n"), 0);
    EXPECT_EQ(isPositiveReply("+O"), 0);
    EXPECT_EQ(isPositiveReply(""), 0);
}

TEST(Pop3Stat, CountIsTheSecondToken) {
    EXPECT_EQ(statCount("+OK 3 1200\r\n"), 3);
    EXPECT_EQ(statCount("+OK 0 0\r\n"), 0);
    EXPECT_EQ(statCount("+OK 12\r\n"), 12);
    EXPECT_EQ(statCount("+OK 7"), 7);
}

TEST(Pop3Stat, RunsOfBlanksCountAsOne) {
    EXPECT_EQ(statCount("+OK  12 100\r\n"), 12);
    EXPECT_EQ(statCount("+OK     5     100\r\n"), 5);
}

TEST(Pop3Stat, CountIsReadLikeStrtol) {
    EXPECT_EQ(statCount("+OK \t42 100\r\n"), 42);
    EXPECT_EQ(statCount("+OK +8 100\r\n"), 8);
    EXPECT_EQ(statCount("+OK 0012 100\r\n"), 12);
    EXPECT_EQ(statCount("+OK 9x 100\r\n"), 9);
    EXPECT_EQ(statCount("+OK x9 100\r\n"), 0);
}

TEST(Pop3Stat, WhiteSpaceSkippingStopsAtTheTokensEnd) {
    // The second token is "\r" alone: the 3 after the next blank is a third token.
    EXPECT_EQ(statCount("+OK \r 3 100\r\n"), 0);
    EXPECT_EQ(statCount("+OK \t\n7 100\r\n"), 7);
}

TEST(Pop3Stat, NegativeCountStaysNegative) {
    EXPECT_EQ(statCount("+OK -4 100\r\n"), -4);
}

TEST(Pop3Stat, MissingCountGivesZero) {
    EXPECT_EQ(statCount("+OK\r\n"), 0);
    EXPECT_EQ(statCount("+OK"), 0);
    EXPECT_EQ(statCount("+OK \r\n"), 0);
    EXPECT_EQ(statCount("+OK   "), 0);
    EXPECT_EQ(statCount(""), 0);
}

TEST(Pop3Stat, CountsBeyondIntAreClamped) {
    EXPECT_EQ(statCount("+OK 2147483647 1\r\n"), INT_MAX);
    EXPECT_EQ(statCount("+OK 2147483648 1\r\n"), INT_MAX);
    EXPECT_EQ(statCount("+OK 12345678901234567890 1\r\n"), INT_MAX);
    EXPECT_EQ(statCount("+OK -2147483648 1\r\n"), INT_MIN);
    EXPECT_EQ(statCount("+OK -99999999999999999999 1\r\n"), INT_MIN);
}

TEST(Pop3Reading, WholeLineEndsAtItsLineFeed) {
    Reading r = readInPieces("+OK ready\r\n", 100);
    EXPECT_EQ(r.reply, "+OK ready\r\n");
    EXPECT_EQ(r.ended, 1);
    EXPECT_EQ(r.used, 11u);
}

TEST(Pop3Reading, NextReplyIsLeftOnTheStream) {
    Reading r = readInPieces("+OK 1\r\n-ERR later\r\n", 100);
    EXPECT_EQ(r.reply, "+OK 1\r\n");
    EXPECT_EQ(r.used, 7u);
}

TEST(Pop3Reading, LineSplitAtAnyByteReadsTheSame) {
    const std::string stream = "+OK 3 1200\r\n+OK next\r\n";
    for (size_t piece = 1; piece <= stream.size(); piece++) {
        Reading r = readInPieces(stream, piece);
        EXPECT_EQ(r.reply, "+OK 3 1200\r\n") << piece;
        EXPECT_EQ(r.ended, 1) << piece;
        EXPECT_EQ(r.used, 12u) << piece;
    }
}

TEST(Pop3Reading, LineWithoutLineFeedIsNotEnded) {
    Reading r = readInPieces("+OK 3", 2);
    EXPECT_EQ(r.reply, "+OK 3");
    EXPECT_EQ(r.ended, 0);
}

TEST(Pop3Reading, OverlongLineIsCutToTheBufferAndItsTailDropped) {
    std::string line = "+OK " + std::string(1996, 'x') + "\r\n";
    for (size_t piece : {size_t(1), size_t(7), size_t(1023), size_t(1024), size_t(5000)}) {
        Reading r = readInPieces(line + "+OK 5 10\r\n", piece);
        EXPECT_EQ(r.reply, line.substr(0, kReplySize - 1)) << piece;
        EXPECT_EQ(r.ended, 1) << piece;
        EXPECT_EQ(r.used, line.size()) << piece;
    }
}

TEST(Pop3Reading, LineOfExactlyTheBufferFits) {
    std::string line = "+OK " + std::string(kReplySize - 7, 'y') + "\r\n";
    ASSERT_EQ(line.size(), kReplySize - 1);
    Reading r = readInPieces(line, 10);
    EXPECT_EQ(r.reply, line);
    EXPECT_EQ(r.ended, 1);
}

TEST(Pop3Reading, NeverWritesPastASmallBuffer) {
    // The sanitizers watch the heap copy that readInPieces uses.
    Reading r = readInPieces("+OK abcdefgh\r\n", 3, 5);
    EXPECT_EQ(r.reply, "+OK ");
    EXPECT_EQ(r.ended, 1);
}

TEST(Pop3Login, LineBreaksAreFound) {
    EXPECT_EQ(hasLineBreak("taro"), 0);
    EXPECT_EQ(hasLineBreak(""), 0);
    EXPECT_EQ(hasLineBreak("taro\r\nDELE 1"), 1);
    EXPECT_EQ(hasLineBreak("ta\nro"), 1);
    EXPECT_EQ(hasLineBreak("taro\r"), 1);
    EXPECT_EQ(hasLineBreak("表示"), 0);
}

TEST(Pop3Messages, AreTheJapaneseTextsAsCodePage932) {
    // "' %s ' のUSER名が正しくありません。" spelt out in cp932 bytes.
    EXPECT_STREQ(kUserMessage, "' %s ' \x82\xcc"
                               "USER\x96\xbc\x82\xaa\x90\xb3\x82\xb5\x82\xad"
                               "\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1\x81\x42");
    EXPECT_NE(strchr(kLookupMessage, '\n'), nullptr);
}

TEST(Pop3Messages, ShortNameIsKeptWhole) {
    EXPECT_EQ(fittingNameLength(kUserMessage, "会社", kMessageSize), strlen("会社"));
    EXPECT_EQ(fittingNameLength(kUserMessage, "", kMessageSize), 0u);
}

TEST(Pop3Messages, LongestNameIsCutToFitEveryMessage) {
    std::string name(255, 'n');
    for (const char *message : kNamedMessages) {
        size_t length = fittingNameLength(message, name.c_str(), kMessageSize);
        std::string text = format(message, name.substr(0, length));
        EXPECT_EQ(text.size(), kMessageSize - 1) << message;
    }
}

TEST(Pop3Messages, CutNeverSplitsADoubleByteCharacter) {
    // 127 double-byte characters; the odd room of some messages falls inside one of them.
    std::string name;
    for (int i = 0; i < 127; i++)
        name += "表";
    for (const char *message : kNamedMessages) {
        size_t length = fittingNameLength(message, name.c_str(), kMessageSize);
        EXPECT_EQ(length % 2, 0u) << message;
        std::string text = format(message, name.substr(0, length));
        EXPECT_LE(text.size(), kMessageSize - 1) << message;
        EXPECT_GE(text.size(), kMessageSize - 2) << message;
    }
}

TEST(Pop3Messages, SingleByteKanaAreNotTakenForLeadBytes) {
    // Half-width katakana (0xA1-0xDF) are one byte each.
    std::string name(300, '\xb1');
    size_t length = fittingNameLength("%s", name.c_str(), 10);
    EXPECT_EQ(length, 9u);
}

TEST(Pop3Messages, LeadByteAtTheEndOfADamagedNameCountsAsOneByte) {
    EXPECT_EQ(fittingNameLength("%s", "ab\x95", 10), 3u);
}

TEST(Pop3ServerField, HostPortTlsAndProtocolOrRefusal) {
    const std::string longHost(255, 'h');
    struct Case {
        std::string field;
        int parsed;
        std::string host;
        unsigned short port;
        int tls;
        int imap;
    } cases[] = {
        {"mail.example.jp", 1, "mail.example.jp", 110, 0, 0}, // what every old file holds
        {"192.0.2.7", 1, "192.0.2.7", 110, 0, 0},
        {"192.0.2.7:2110", 1, "192.0.2.7", 2110, 0, 0},
        {"mail.example.jp:995", 1, "mail.example.jp", 995, 1, 0},
        {"mail.example.jp:110", 1, "mail.example.jp", 110, 0, 0},
        {"mail.example.jp:993", 1, "mail.example.jp", 993, 0, 0}, // POP3 without a scheme
        {"pop3s://mail.example.jp", 1, "mail.example.jp", 995, 1, 0},
        {"POP3S://mail.example.jp:1995", 1, "mail.example.jp", 1995, 1, 0},
        {"pop3://mail.example.jp", 1, "mail.example.jp", 110, 0, 0},
        {"Pop3://mail.example.jp:995", 1, "mail.example.jp", 995, 0, 0},
        {"pop3s://192.0.2.7:65535", 1, "192.0.2.7", 65535, 1, 0},
        {"imap://mail.example.jp", 1, "mail.example.jp", 143, 0, 1},
        {"IMAP://mail.example.jp:1143", 1, "mail.example.jp", 1143, 0, 1},
        {"imap://mail.example.jp:993", 1, "mail.example.jp", 993, 0, 1},
        {"imaps://imap.example.jp", 1, "imap.example.jp", 993, 1, 1},
        {"ImapS://imap.example.jp:10993", 1, "imap.example.jp", 10993, 1, 1},
        {"mail.example.jp:00995", 1, "mail.example.jp", 995, 1, 0},
        {"mail.example.jp:1", 1, "mail.example.jp", 1, 0, 0},
        {longHost, 1, longHost, 110, 0, 0},
        {"pop3s://" + longHost, 1, longHost, 995, 1, 0},
        {"imaps://" + longHost, 1, longHost, 993, 1, 1},
        {longHost + "h", 0, "", 0, 0, 0},
        {"", 0, "", 0, 0, 0},
        {"pop3s://", 0, "", 0, 0, 0},
        {"imaps://", 0, "", 0, 0, 0},
        {"imap://:143", 0, "", 0, 0, 0},
        {":995", 0, "", 0, 0, 0},
        {"mail.example.jp:", 0, "", 0, 0, 0},
        {"mail.example.jp:0", 0, "", 0, 0, 0},
        {"mail.example.jp:65536", 0, "", 0, 0, 0},
        {"mail.example.jp:99999999999999999999", 0, "", 0, 0, 0},
        {"mail.example.jp:+995", 0, "", 0, 0, 0},
        {"mail.example.jp:-1", 0, "", 0, 0, 0},
        {"mail.example.jp: 995", 0, "", 0, 0, 0},
        {"mail.example.jp:995x", 0, "", 0, 0, 0},
        {"mail.example.jp:1:2", 0, "", 0, 0, 0},
        {"imap4://mail.example.jp", 0, "", 0, 0, 0},
        {"pop3s:/mail.example.jp", 0, "", 0, 0, 0}, // read as host "pop3s" with a bad port
        {"imap:mail.example.jp", 0, "", 0, 0, 0},   // read as host "imap" with a bad port
    };
    for (const Case &c : cases) {
        char host[kHostSize];
        memset(host, 'x', sizeof host);
        unsigned short port = 7;
        int tls = 7, imap = 7;
        int parsed = parseServerField(c.field.c_str(), host, &port, &tls, &imap);
        EXPECT_EQ(parsed, c.parsed) << c.field;
        if (parsed && c.parsed) {
            EXPECT_EQ(std::string(host), c.host) << c.field;
            EXPECT_EQ(port, c.port) << c.field;
            EXPECT_EQ(tls, c.tls) << c.field;
            EXPECT_EQ(imap, c.imap) << c.field;
        }
    }
}
