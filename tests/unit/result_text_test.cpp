#include "mailcheck/result_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct Round {
    char names[kAccountSlots][kNameSize] = {};
    int counts[kAccountSlots] = {};
    void account(int slot, const std::string &name, int count) {
        memcpy(names[slot], name.c_str(), name.size() + 1);
        counts[slot] = count;
    }
    std::string text() {
        char buffer[kResultSize + 1];
        memset(buffer, 'x', sizeof buffer);
        buildResultText(buffer, names, counts);
        EXPECT_EQ(buffer[kResultSize], 'x') << "written past the buffer";
        for (size_t i = strlen(buffer); i < kResultSize; i++)
            EXPECT_EQ(buffer[i], '\0') << "the rest of the buffer is zero-filled";
        return buffer;
    }
};

// " ： " and " 通" in code page 932.
const std::string kColon = " \x81\x46 ";
const std::string kTsu = " \x92\xca\n";

TEST(ResultText, ListsAccountsWithMailInSlotOrder) {
    Round round;
    round.account(0, "first", 1);
    round.account(2, "none", 0);
    round.account(3, "failed", -1);
    round.account(4, "last", 7);
    EXPECT_EQ(round.text(), "first" + kColon + "1" + kTsu + "last" + kColon + "7" + kTsu);
}

TEST(ResultText, IsEmptyWithoutMail) {
    Round round;
    round.account(1, "none", 0);
    EXPECT_EQ(round.text(), "");
}

TEST(ResultText, LeavesOutALineThatDoesNotFitWhole) {
    Round round;
    round.account(0, std::string(120, 'a'), 1);
    round.account(1, std::string(255, 'b'), 2); // longer than a line buffer on its own
    round.account(2, std::string(120, 'c'), 2147483647);
    round.account(3, std::string(20, 'd'), 4);
    std::string first = std::string(120, 'a') + kColon + "1" + kTsu;
    std::string fourth = std::string(20, 'd') + kColon + "4" + kTsu;
    // The third line would pass the 255th byte; the shorter fourth still fits after the first.
    EXPECT_EQ(round.text(), first + fourth);
}

TEST(ResultText, FillsTheBufferToItsLastByteWhenALineFitsExactly) {
    Round round;
    std::string line = kColon + "1" + kTsu;
    round.account(0, std::string(255 - line.size(), 'n'), 1);
    EXPECT_EQ(round.text().size(), 255u);
}

} // namespace
