// The persistent settings record. Its memory image is, byte for byte, the plaintext of "ini.dat",
// so its layout is a file format: 3572 bytes, no gaps, little-endian 32-bit integers.
#pragma once

#include <cstddef>
#include <cstdint>

#ifdef _WIN32
#include <windows.h>
typedef RECT SettingsRect;
typedef LOGFONTA SettingsFont;
typedef COLORREF SettingsColor;
#else
// The same layouts as the platform's RECT, LOGFONTA and COLORREF, for the build without Windows.
struct SettingsRect {
    int32_t left, top, right, bottom;
};
struct SettingsFont {
    int32_t lfHeight, lfWidth, lfEscapement, lfOrientation, lfWeight;
    uint8_t lfItalic, lfUnderline, lfStrikeOut, lfCharSet, lfOutPrecision, lfClipPrecision,
        lfQuality, lfPitchAndFamily;
    char lfFaceName[32];
};
typedef uint32_t SettingsColor;
#endif

const int kAccountSlots = 5;
const int kNameSize = 256;  // display name and server
const int kSecretSize = 64; // user and password
const int kPathSize = 260;

struct Settings {
    char names[kAccountSlots][kNameSize];
    char servers[kAccountSlots][kNameSize];
    char passwords[kAccountSlots][kSecretSize]; // before users: the file has them in this order
    char users[kAccountSlots][kSecretSize];
    int32_t apop[kAccountSlots]; // 1 = APOP, anything else = USER/PASS
    int32_t interval;            // minutes between automatic checks
    int32_t checkAtStartup;      // 1 = check when the program starts
    SettingsRect msgRect;        // notification window, screen coordinates
    SettingsColor msgBackColor;  // 0x00BBGGRR
    SettingsColor msgTextColor;
    SettingsFont msgFont;
    char mailerPath[kPathSize];
};

const size_t kSettingsSize = 3572;

static_assert(sizeof(SettingsFont) == 60, "the font is the platform's 60-byte LOGFONTA");
static_assert(sizeof(Settings) == kSettingsSize, "ini.dat holds exactly 3572 bytes");
static_assert(offsetof(Settings, servers) == 1280, "file layout");
static_assert(offsetof(Settings, passwords) == 2560, "file layout");
static_assert(offsetof(Settings, users) == 2880, "file layout");
static_assert(offsetof(Settings, apop) == 3200, "file layout");
static_assert(offsetof(Settings, interval) == 3220, "file layout");
static_assert(offsetof(Settings, checkAtStartup) == 3224, "file layout");
static_assert(offsetof(Settings, msgRect) == 3228, "file layout");
static_assert(offsetof(Settings, msgBackColor) == 3244, "file layout");
static_assert(offsetof(Settings, msgTextColor) == 3248, "file layout");
static_assert(offsetof(Settings, msgFont) == 3252, "file layout");
static_assert(offsetof(Settings, mailerPath) == 3312, "file layout");

// The one record of the process; zero-filled at start.
extern Settings g_settings;

// Resets the record to the values a first start runs with: no accounts, a check every 10 minutes
// and at start-up, a green 200 x 50 window at (10, 10) in a 12-pixel Japanese proportional font.
void applyDefaults(Settings *record);

// The slot of g_settings whose display name equals `name`, or -1. The empty string finds the first
// free slot. Names are compared case-sensitively.
int findAccount(const char *name);

// Forces every string field of a record read from disk to end inside its array, so that a damaged
// file can never make later code read past one. Returns 1 when some field had no terminator: such a
// record was not written by this program intact.
int terminateStrings(Settings *record);
