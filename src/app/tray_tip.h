// The tray icon's tip after a round: what a user who missed the window sees at a glance.
#pragma once

#include "mailcheck/result_text.h"

#include <cstddef>

// The tip of the first tray record, terminator included.
const size_t kTrayTipSize = 64;

// Writes into `tip` (kTrayTipSize bytes) the version line, then the accounts with mail as the
// window lists them ("name ： n 通", a line each) or, where those do not fit, their total
// ("合計 n 通"), or "未受信メールはありません。" when none has mail; and, when queries failed, a
// last line "確認失敗 ： n 件", which stands alone when every query failed. Only whole lines go
// in, so no character is ever cut.
void buildTrayTip(char *tip, const char *version, const RoundResult &result);

// What the tip says: the version alone, what the last completed round found, or that automatic
// checks wait for the network.
enum TipState { kTipVersion, kTipFound, kTipHeld };

// The tip's state once a round asked for has ended so, `found` telling whether a completed round
// has a tip to show: held while a round waits for the network; a round that completed tells what
// it found; one turned away or cut by sleep leaves what was found before; with no account
// configured nothing is found.
TipState tipAfter(RoundOutcome outcome, int found);

// The version line, then that automatic checks wait for the computer to be online.
void buildHeldTip(char *tip, const char *version);
