#include "notify/placement.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// The work areas of a primary monitor of 800 x 600 and of others left of, above and right of it.
const SettingsRect kPrimary = {0, 0, 800, 600};
const SettingsRect kLeft = {-1024, 0, 0, 768};
const SettingsRect kAbove = {0, -1080, 1920, 0};
const SettingsRect kRight = {800, 0, 2080, 1024};

struct Case {
    const char *what;
    SettingsRect before, after;
    std::vector<SettingsRect> areas = {kPrimary}; // the primary's first
};

const Case kCases[] = {
    {"the default passes unchanged", {10, 10, 210, 60}, {10, 10, 210, 60}},
    {"wholly left of the screen", {-300, 20, -100, 70}, {0, 20, 200, 70}},
    {"touching x = 0 from the left counts as off", {-200, 20, 0, 70}, {0, 20, 200, 70}},
    {"wholly right of the work area", {820, 20, 960, 70}, {600, 20, 800, 70}},
    {"starting at the right edge counts as off", {800, 20, 900, 70}, {600, 20, 800, 70}},
    {"wholly above the screen", {20, -100, 220, -10}, {20, 0, 220, 60}},
    {"wholly below the work area", {20, 610, 220, 660}, {20, 540, 220, 600}},
    {"partly visible on the left stays", {-150, 20, 50, 70}, {-150, 20, 50, 70}},
    {"partly visible on the right stays", {700, 20, 900, 70}, {700, 20, 900, 70}},
    {"partly visible at the bottom stays", {20, 580, 220, 640}, {20, 580, 220, 640}},
    {"the parked window comes back at the origin", {-1000, -1000, -1000, -1000}, {0, 0, 200, 60}},
    {"a window parked with a minimum size too", {-1000, -1000, -880, -970}, {0, 0, 200, 60}},
    {"off to the bottom right", {900, 700, 1000, 750}, {600, 540, 800, 600}},
    {"an inverted rectangle left of the screen", {-10, 20, -50, 70}, {0, 20, 200, 70}},
    {"extreme values do not overflow",
     {INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN},
     {0, 0, 200, 60}},
    {"extreme values to the far side",
     {INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX},
     {600, 540, 800, 600}},
    {"on the monitor on the left", {-500, 20, -300, 70}, {-500, 20, -300, 70}, {kPrimary, kLeft}},
    {"on the monitor above", {20, -500, 220, -450}, {20, -500, 220, -450}, {kPrimary, kAbove}},
    {"on the monitor on the right",
     {1500, 700, 1700, 750},
     {1500, 700, 1700, 750},
     {kPrimary, kLeft, kRight}},
    {"spanning two monitors", {-100, 20, 100, 70}, {-100, 20, 100, 70}, {kPrimary, kLeft}},
    {"in the gap above the monitor on the left",
     {-500, -500, -300, -450},
     {0, 0, 200, 60},
     {kPrimary, kLeft, kAbove}},
    {"below the monitor on the right",
     {1500, 1100, 1700, 1150},
     {600, 540, 800, 600},
     {kPrimary, kLeft, kRight}},
};

TEST(Placement, PullsBackOnlyRectanglesThatLieOnNoMonitor) {
    for (const Case &c : kCases) {
        SettingsRect rect = c.before;
        pullOntoScreen(&rect, c.areas.data(), static_cast<int>(c.areas.size()), kBaseDpi);
        EXPECT_EQ(rect.left, c.after.left) << c.what;
        EXPECT_EQ(rect.top, c.after.top) << c.what;
        EXPECT_EQ(rect.right, c.after.right) << c.what;
        EXPECT_EQ(rect.bottom, c.after.bottom) << c.what;
    }
}

// Windows 10's frame of a tool window with a sizing border (31 pixels above the client area, 8
// below) and lines of 12 pixels, on the primary monitor of 800 x 600.
TEST(Placement, GrowsTheWindowToHoldEveryLineOfItsText) {
    const struct {
        const char *what;
        int32_t lines;
        SettingsRect before, after;
    } cases[] = {
        {"one line at the default size", 1, {10, 10, 210, 60}, {10, 10, 210, 81}},
        {"five lines", 5, {10, 10, 210, 60}, {10, 10, 210, 129}},
        {"a long name that wraps in two", 2, {10, 10, 210, 60}, {10, 10, 210, 93}},
        {"a window the user made larger", 3, {10, 10, 300, 300}, {10, 10, 300, 300}},
        {"at the bottom of its monitor it grows upward",
         3,
         {10, 550, 210, 600},
         {10, 505, 210, 600}},
        {"a text taller than the work area", 100, {10, 10, 210, 60}, {10, 0, 210, 600}},
    };
    for (const auto &c : cases) {
        SettingsRect rect = c.before;
        fitToText(&rect, 12 * c.lines, 31 + 8, kPrimary, kBaseDpi);
        EXPECT_TRUE(rect.left == c.after.left && rect.top == c.after.top &&
                    rect.right == c.after.right && rect.bottom == c.after.bottom)
            << c.what << ": " << rect.top << " " << rect.bottom;
    }
}

bool same(const SettingsRect &a, const SettingsRect &b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// The record's measures at each scale: the rectangle in pixels and back, the default font's 12,
// the parked window pulled back to 200 x 60 and a window grown for three lines with its margins.
TEST(Placement, ScalesTheRecordToEachDisplayAndBackUnchanged) {
    const SettingsRect kDefault = {10, 10, 210, 60};
    const struct {
        const char *what;
        int systemDpi, monitorDpi;
        SettingsRect units, pixels;
        int32_t font, pulledWidth, pulledHeight, grownBottom;
    } cases[] = {
        {"100 %", 96, 96, kDefault, kDefault, 12, 200, 60, 66},
        {"125 %", 120, 120, kDefault, {13, 13, 263, 75}, 15, 250, 75, 84},
        {"125 %, odd measures", 120, 120, {7, 3, 219, 61}, {9, 4, 274, 76}, 15, 250, 75, 76},
        {"150 %", 144, 144, kDefault, {15, 15, 315, 90}, 18, 300, 90, 99},
        {"left of 0", 144, 144, {-701, 20, -501, 70}, {-1052, 30, -752, 105}, 18, 300, 90, 114},
        {"200 %", 192, 192, kDefault, {20, 20, 420, 120}, 24, 400, 120, 132},
        // Another monitor at another scale than the primary's, whose scale is the system's.
        {"100 % by 150", 144, 96, {1400, 100, 1600, 150}, {2100, 150, 2300, 200}, 12, 200, 60, 206},
        {"200 % by 100 %", 96, 192, {1100, 20, 1300, 70}, {1100, 20, 1500, 120}, 24, 400, 120, 132},
    };
    const SettingsRect kDesk = {-4000, -4000, 4000, 4000};
    for (const auto &c : cases) {
        EXPECT_TRUE(same(rectToPixels(c.units, c.systemDpi, c.monitorDpi), c.pixels)) << c.what;
        EXPECT_TRUE(same(rectToUnits(c.pixels, c.systemDpi, c.monitorDpi), c.units)) << c.what;
        SettingsFont font;
        applyDefaultFont(&font);
        font = fontToPixels(font, c.monitorDpi);
        EXPECT_EQ(font.lfHeight, c.font) << c.what;
        EXPECT_EQ(fontToUnits(font, c.monitorDpi).lfHeight, 12) << c.what;
        SettingsRect parked = {-1000, -1000, -880, -970};
        pullOntoScreen(&parked, &kPrimary, 1, c.monitorDpi);
        EXPECT_TRUE(same(parked, {0, 0, c.pulledWidth, c.pulledHeight})) << c.what;
        SettingsRect grown = c.pixels;
        fitToText(&grown, 3 * c.font, 0, kDesk, c.monitorDpi);
        EXPECT_EQ(grown.bottom, c.grownBottom) << c.what;
    }
}

TEST(Placement, ParksBeyondTheLeftAndTopOfEveryMonitor) {
    EXPECT_EQ(parkingPosition(0), -1000);
    EXPECT_EQ(parkingPosition(500), -1000);
    EXPECT_EQ(parkingPosition(-1920), -2920);
}

TEST(Placement, ExtentsOfAnyRectangleStayInRange) {
    const struct {
        int32_t from, to, extent;
    } cases[] = {
        {10, 210, 200},
        {210, 10, -200},
        {INT32_MIN, INT32_MAX, INT32_MAX},
        {INT32_MAX, INT32_MIN, INT32_MIN},
        {-1, INT32_MAX, INT32_MAX},
        {INT32_MIN, -1, INT32_MAX},
        {1, INT32_MIN, INT32_MIN},
    };
    for (const auto &c : cases)
        EXPECT_EQ(rectExtent(c.from, c.to), c.extent) << c.from << " to " << c.to;
}

} // namespace
