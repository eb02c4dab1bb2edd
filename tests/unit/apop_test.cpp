#include "mailcheck/apop.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// The command for `greeting`, or "(none)".
std::string command(const char *greeting, const char *user, const char *password) {
    char *block = buildApopCommand(greeting, user, password);
    if (!block)
        return "(none)";
    std::string text = block;
    releaseBlock(block);
    return text;
}

std::string digestOf(const std::string &text) {
    EXPECT_EQ(md5Hex(text.c_str()), 1);
    return g_digestText;
}

} // namespace

TEST(Apop, Rfc1939ExampleGivesItsDigest) {
    EXPECT_EQ(
        command("+OK POP3 server ready <1896.697170952@dbc.mtview.ca.us>\r\n", "mrose", "tanstaaf"),
        "APOP mrose c4c9334bac560ecc979e58001b3e22fb\r\n");
}

TEST(Apop, DigestIsOfTheTimestampFollowedByThePassword) {
    EXPECT_EQ(command("+OK <a@b>\r\n", "u", "pw"), "APOP u " + digestOf("<a@b>pw") + "\r\n");
}

TEST(Apop, CommandFillsItsBlockExactly) {
    std::string text = command("+OK <1.2@host>\r\n", "hanako", "secret");
    EXPECT_EQ(text.size() + 1, strlen("hanako") + 41);
}

TEST(Apop, GreetingWithoutTimestampGivesNoCommand) {
    EXPECT_EQ(command("+OK POP3 server ready\r\n", "u", "p"), "(none)");
    EXPECT_EQ(command("", "u", "p"), "(none)");
}

TEST(Apop, OpeningBracketWithoutClosingOneGivesNoCommand) {
    EXPECT_EQ(command("+OK <1896.697170952@dbc\r\n", "u", "p"), "(none)");
}

TEST(Apop, ClosingBracketOnlyBeforeTheLastOpeningOneDoesNotCount) {
    EXPECT_EQ(command("+OK <a@b> ready <\r\n", "u", "p"), "(none)");
}

TEST(Apop, LastOfTwoTimestampsIsUsed) {
    EXPECT_EQ(command("+OK <first@x> <second@y>\r\n", "u", "p"),
              "APOP u " + digestOf("<second@y>p") + "\r\n");
}

TEST(Apop, TimestampRunsToTheLastClosingBracket) {
    EXPECT_EQ(command("+OK <a>b> ready\r\n", "u", "p"), "APOP u " + digestOf("<a>b>p") + "\r\n");
}

TEST(Apop, WholeGreetingIsSearchedNotOnlyItsFirstLine) {
    EXPECT_EQ(command("+OK ready\r\n<late@x>\r\n", "u", "p"),
              "APOP u " + digestOf("<late@x>p") + "\r\n");
}

TEST(Apop, DigestOfTimestampAloneIsDefined) {
    EXPECT_EQ(command("+OK <a@b>\r\n", "u", ""), "APOP u " + digestOf("<a@b>") + "\r\n");
}

TEST(Md5Hex, GivesThirtyTwoLowercaseDigits) {
    ASSERT_EQ(md5Hex("vemo"), 1);
    EXPECT_STREQ(g_digestText, "c1294fe792b9b488293f8d03eb1b5770");
    ASSERT_EQ(md5Hex(""), 1);
    EXPECT_STREQ(g_digestText, "d41d8cd98f00b204e9800998ecf8427e");
}
