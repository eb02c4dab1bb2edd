// The POP3 reply judged, its STAT count read, a reply line read in pieces, login fields checked.
#include "mailcheck/pop3.h"
#include "support/session_buffers.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

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
