// The decisions of the settings and account dialogs, apart from the dialogs themselves.
#pragma once

#include "settings/settings.h"

// The minutes that the interval field's text asks for: its first two characters read as a decimal
// number (leading white space and a sign allowed, reading stops at the first other character).
// 0 when that number is not between 1 and 60, so the stored interval stays.
int intervalFromText(const char *text);

// Where a window of `length` starts when it is centred over a reference that starts at
// `referenceStart` and is `referenceLength` long. A window larger than the reference starts before
// it; the half is truncated toward zero.
int centredStart(int referenceStart, int referenceLength, int length);

// The account dialog's fields as typed; any length, cut to their arrays when stored.
struct AccountForm {
    const char *name;
    const char *server;
    const char *user;
    const char *password;
    int apop; // 1 when the APOP box is checked
};

enum AccountOutcome {
    kAccountRefused, // a message is shown, the dialog stays open, nothing was written
    kAccountStored,  // the account is in g_settings at `slot`; the dialog closes
    kAccountDropped, // adding found no free slot: the dialog closes, nothing was written
};

struct AccountResult {
    AccountOutcome outcome;
    const char *message; // the text of the refusal, else NULL
    int slot;            // where the account went, else -1
};

// The account dialog's OK: tests the four fields in order and the display name for a duplicate,
// then writes the account into g_settings, into `editSlot` or, when it is negative, into the lowest
// free slot. Each array is zero after its text.
AccountResult storeAccountForm(const AccountForm &form, int editSlot);

// Frees a slot of g_settings: every byte of its texts and its APOP flag become 0.
void clearAccount(int slot);
