#include "app/tray_tip.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct Account {
    int slot;
    const char *name;
    int count, failed;
};

TEST(TrayTip, TellsTheRoundInWholeLinesWithinItsSixtyFourBytes) {
    const std::string v = "vemo ver 0.01\n";
    const struct {
        const char *what;
        std::vector<Account> accounts;
        std::string tip;
    } cases[] = {
        {"no mail", {{1, "自宅", 0, 0}}, v + "未受信メールはありません。"},
        {"five lines, 63 bytes",
         {{0, "a", 1, 0}, {1, "b", 2, 0}, {2, "c", 3, 0}, {3, "d", 4, 0}, {4, "e", 5, 0}},
         v + "a ： 1 通\nb ： 2 通\nc ： 3 通\nd ： 4 通\ne ： 5 通"},
        {"lines beyond the tip, cut in a double-byte character, give the total",
         {{0, "会社のメールボックス", 12, 0}, {3, "自宅のメール", 30, 0}},
         v + "合計 42 通"},
        {"a failure", {{0, "自宅", 3, 0}, {1, "会社", 0, 1}}, v + "自宅 ： 3 通\n確認失敗 ： 1 件"},
        {"all failed", {{0, "自宅", 0, 1}, {4, "会社", 0, 1}}, v + "確認失敗 ： 2 件"},
        {"held offline", {}, v + "オフラインのため自動チェックを保留中"},
    };
    for (const auto &c : cases) {
        RoundResult result = {};
        for (const Account &a : c.accounts) {
            strcpy(result.names[a.slot], a.name);
            result.counts[a.slot] = a.count;
            result.failed[a.slot] = a.failed;
        }
        char tip[kTrayTipSize + 1];
        memset(tip, 'x', sizeof tip);
        if (c.accounts.empty())
            buildHeldTip(tip, "vemo ver 0.01");
        else
            buildTrayTip(tip, "vemo ver 0.01", result);
        EXPECT_EQ(tip, c.tip) << c.what;
        EXPECT_EQ(tip[kTrayTipSize], 'x') << c.what << ": written past the tip";
    }
}

TEST(TrayTip, SaysHeldOnlyWhileARoundWaitsForTheNetwork) {
    EXPECT_EQ(tipAfter(kRoundHeld, 1), kTipHeld);
    EXPECT_EQ(tipAfter(kRoundCut, 1), kTipFound);
    EXPECT_EQ(tipAfter(kRoundTurnedAway, 0), kTipVersion);
    EXPECT_EQ(tipAfter(kRoundNoAccounts, 1), kTipVersion);
}

} // namespace
