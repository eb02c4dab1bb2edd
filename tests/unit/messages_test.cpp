// The texts of the mail check's message boxes, and a display name cut to fit them.
#include "mailcheck/messages.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::string format(const char *text, const std::string &name) {
    char out[2048];
    snprintf(out, sizeof out, text, name.c_str());
    return out;
}

const char *const kNamedMessages[] = {kLookupMessage, kSocketMessage,     kConnectMessage,
                                      kApopMessage,   kUserMessage,       kPassMessage,
                                      kStatMessage,   kCertificateMessage};

} // namespace

TEST(Messages, AreTheJapaneseTextsAsCodePage932) {
    // "' %s ' のUSER名が正しくありません。" spelt out in cp932 bytes.
    EXPECT_STREQ(kUserMessage, "' %s ' \x82\xcc"
                               "USER\x96\xbc\x82\xaa\x90\xb3\x82\xb5\x82\xad"
                               "\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1\x81\x42");
    EXPECT_NE(strchr(kLookupMessage, '\n'), nullptr);
}

TEST(Messages, ShortNameIsKeptWhole) {
    EXPECT_EQ(fittingNameLength(kUserMessage, "会社", kMessageSize), strlen("会社"));
    EXPECT_EQ(fittingNameLength(kUserMessage, "", kMessageSize), 0u);
}

TEST(Messages, LongestNameIsCutToFitEveryMessage) {
    std::string name(255, 'n');
    for (const char *message : kNamedMessages) {
        size_t length = fittingNameLength(message, name.c_str(), kMessageSize);
        std::string text = format(message, name.substr(0, length));
        EXPECT_EQ(text.size(), kMessageSize - 1) << message;
    }
}

TEST(Messages, CutNeverSplitsADoubleByteCharacter) {
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

TEST(Messages, SingleByteKanaAreNotTakenForLeadBytes) {
    // Half-width katakana (0xA1-0xDF) are one byte each.
    std::string name(300, '\xb1');
    size_t length = fittingNameLength("%s", name.c_str(), 10);
    EXPECT_EQ(length, 9u);
}

TEST(Messages, LeadByteAtTheEndOfADamagedNameCountsAsOneByte) {
    EXPECT_EQ(fittingNameLength("%s", "ab\x95", 10), 3u);
}
