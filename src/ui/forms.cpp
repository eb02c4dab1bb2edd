// The decisions of the dialogs, apart from the dialogs themselves.
#include "ui/forms.h"

#include <cstdlib>
#include <cstring>

int intervalFromText(const char *text) {
    // Only the first two characters count: "100" asks for 10.
    char firstTwo[3] = "";
    strncpy(firstTwo, text, 2);
    int minutes = atoi(firstTwo);
    return minutes >= 1 && minutes <= 60 ? minutes : 0;
}

int centredStart(int referenceStart, int referenceLength, int length) {
    return referenceStart + (referenceLength - length) / 2;
}

// Copies as much of `text` as fits an array of `size` and zeroes the rest, so that nothing of a
// longer text stored before stays behind it (in memory or in the file).
static void copyCut(char *array, size_t size, const char *text) {
    size_t length = strnlen(text, size - 1);
    memcpy(array, text, length);
    memset(array + length, 0, size - length);
}

static AccountResult refused(const char *message) {
    return {kAccountRefused, message, -1};
}

AccountResult storeAccountForm(const AccountForm &form, int editSlot) {
    if (!form.name[0])
        return refused("「表示名」が空欄です。");
    if (!form.server[0])
        return refused("「POP3サーバー名」が空欄です。");
    if (!form.user[0])
        return refused("「ユーザー名」が空欄です。");
    if (!form.password[0])
        return refused("「パスワード」が空欄です。");

    // The duplicate test sees the name as it would be stored.
    char name[kNameSize];
    copyCut(name, sizeof name, form.name);
    int found = findAccount(name);
    int slot = editSlot;
    if (editSlot < 0) {
        if (found != -1)
            return refused("この表示名は登録済みです。");
        slot = findAccount("");
    } else if (found != -1 && found != editSlot) {
        return refused("この表示名は登録済みです。");
    }
    if (slot < 0 || slot >= kAccountSlots)
        return {kAccountDropped, NULL, -1};

    copyCut(g_settings.names[slot], kNameSize, name);
    copyCut(g_settings.servers[slot], kNameSize, form.server);
    copyCut(g_settings.users[slot], kSecretSize, form.user);
    copyCut(g_settings.passwords[slot], kSecretSize, form.password);
    g_settings.apop[slot] = form.apop == 1 ? 1 : 0;
    return {kAccountStored, NULL, slot};
}

// Every byte, so that no part of the deleted account's secrets stays in memory or in the file.
void clearAccount(int slot) {
    memset(g_settings.names[slot], 0, kNameSize);
    memset(g_settings.servers[slot], 0, kNameSize);
    memset(g_settings.users[slot], 0, kSecretSize);
    memset(g_settings.passwords[slot], 0, kSecretSize);
    g_settings.apop[slot] = 0;
}
