// The tray icon's tip after a round.
#include "app/tray_tip.h"

#include <climits>
#include <cstring>

void buildTrayTip(char *tip, const char *version, const RoundResult &result) {
    int withMail = 0, failures = 0, queried = 0;
    unsigned total = 0; // stops at the largest unsigned number, which no mailbox reaches
    for (int slot = 0; slot < kAccountSlots; slot++) {
        unsigned count = result.counts[slot] > 0 ? static_cast<unsigned>(result.counts[slot]) : 0;
        withMail += count > 0;
        total = count > UINT_MAX - total ? UINT_MAX : total + count;
        failures += result.failed[slot] != 0;
        queried += result.names[slot][0] != '\0';
    }
    char digits[12];
    char failureLine[40] = "";
    size_t failureLength = 0;
    if (failures) {
        appendText(failureLine, sizeof failureLine, &failureLength, "\n確認失敗 ： ");
        appendText(failureLine, sizeof failureLine, &failureLength, decimalText(failures, digits));
        appendText(failureLine, sizeof failureLine, &failureLength, " 件");
    }
    // The window's lines, without the last line feed, when every account with mail has its line.
    char lines[kResultSize];
    buildResultText(lines, result.names, result.counts);
    size_t linesLength = strlen(lines);
    int lineCount = 0;
    for (size_t i = 0; i < linesLength; i++)
        lineCount += lines[i] == '\n';
    if (linesLength)
        lines[--linesLength] = '\0';

    size_t length = 0;
    tip[0] = '\0';
    appendText(tip, kTrayTipSize, &length, version);
    if (withMail == 0 && failures == queried) {
        // Every query failed: nothing was checked, and the failures line says so alone.
        appendText(tip, kTrayTipSize, &length, failureLine);
        return;
    }
    appendText(tip, kTrayTipSize, &length, "\n");
    if (withMail == 0) {
        appendText(tip, kTrayTipSize, &length, "未受信メールはありません。");
    } else if (lineCount != withMail || length + linesLength + failureLength >= kTrayTipSize ||
               !appendText(tip, kTrayTipSize, &length, lines)) {
        appendText(tip, kTrayTipSize, &length, "合計 ");
        appendText(tip, kTrayTipSize, &length, decimalText(total, digits));
        appendText(tip, kTrayTipSize, &length, " 通");
    }
    appendText(tip, kTrayTipSize, &length, failureLine);
}

void buildHeldTip(char *tip, const char *version) {
    size_t length = 0;
    tip[0] = '\0';
    appendText(tip, kTrayTipSize, &length, version);
    appendText(tip, kTrayTipSize, &length, "\nオフラインのため自動チェックを保留中");
}

TipState tipAfter(RoundOutcome outcome, int found) {
    switch (outcome) {
    case kRoundHeld:
        return kTipHeld;
    case kRoundCompleted:
        return kTipFound;
    case kRoundNoAccounts:
        return kTipVersion;
    default:
        return found ? kTipFound : kTipVersion;
    }
}
