// The settings record: its defaults, the account lookup and the checks of a loaded record.
#include "settings/settings.h"

#include <cstring>

Settings g_settings;

void applyDefaults(Settings *record) {
    memset(record, 0, sizeof *record);
    record->interval = 10;
    record->checkAtStartup = 1;
    record->msgRect.left = 10;
    record->msgRect.top = 10;
    record->msgRect.right = 210;
    record->msgRect.bottom = 60;
    record->msgBackColor = 0x0000FF00;
    record->msgTextColor = 0x00000000;
    applyDefaultFont(&record->msgFont);
}

void applyDefaultFont(SettingsFont *font) {
    memset(font, 0, sizeof *font);
    font->lfHeight = 12;
    font->lfCharSet = 128; // SHIFTJIS_CHARSET
    strcpy(font->lfFaceName, "ＭＳ Ｐゴシック");
}

int isDrawableFont(const SettingsFont *font) {
    return font->lfHeight >= -kMaxFontPixels && font->lfHeight <= kMaxFontPixels &&
           font->lfWidth >= -kMaxFontPixels && font->lfWidth <= kMaxFontPixels;
}

static bool sameName(const char *a, const char *b) {
#ifdef _WIN32
    return lstrcmpA(a, b) == 0;
#else
    return strcmp(a, b) == 0;
#endif
}

int findAccount(const char *name) {
    for (int slot = 0; slot < kAccountSlots; slot++)
        if (sameName(g_settings.names[slot], name))
            return slot;
    return -1;
}

// Ends a field inside its array; 1 when it had no terminator there.
static int endInside(char *field, size_t size) {
    int unterminated = memchr(field, 0, size) == NULL;
    field[size - 1] = 0;
    return unterminated;
}

int terminateStrings(Settings *record) {
    int cut = 0;
    for (int slot = 0; slot < kAccountSlots; slot++) {
        cut |= endInside(record->names[slot], kNameSize);
        cut |= endInside(record->servers[slot], kNameSize);
        cut |= endInside(record->passwords[slot], kSecretSize);
        cut |= endInside(record->users[slot], kSecretSize);
    }
    cut |= endInside(record->msgFont.lfFaceName, sizeof record->msgFont.lfFaceName);
    cut |= endInside(record->mailerPath, kPathSize);
    return cut;
}
