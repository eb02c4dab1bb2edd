// Where the notification window may be shown: pure rules over its rectangle and the monitors'
// work areas, and the scaling between the record's measures and a display's pixels.
#pragma once

#include "settings/settings.h"

// Pulls a rectangle that lies on no monitor back onto the primary screen. A rectangle that
// overlaps any of the work areas (the primary's first) stays as it is, so a window that the user
// put on another monitor stays there. Otherwise it is pulled back when it lies wholly beyond an
// edge: left of x = 0 or above y = 0 (the screen's origin, not the work area's), right of the
// primary work area's right edge or below its bottom edge. A pulled-back rectangle gets a width of
// 200 or a height of 60; one that is even partly inside the primary's band along an axis keeps its
// position and size along that axis. All in pixels; the 200 and 60 are scaled to `dpi`.
void pullOntoScreen(SettingsRect *rect, const SettingsRect *workAreas, int count, int dpi);

// Left and top inset of the text in the window's client area, and the room kept below it, at
// kBaseDpi.
const int32_t kTextMargin = 10;

// Grows the window's outer rectangle so that its client area holds a text `textHeight` pixels
// tall (as drawn at the window's width) with kTextMargin above and below, `frameHeight` being
// what caption and borders take: downward, or upward where that would pass the bottom of
// `workArea` (the work area of its monitor), and never taller than the work area. A rectangle
// already as tall stays as it is: the window is never shrunk. All in pixels of `dpi`.
void fitToText(SettingsRect *rect, int32_t textHeight, int32_t frameHeight,
               const SettingsRect &workArea, int dpi);

// Where a dismissed window is parked along one axis: 1000 pixels before the virtual screen's start
// (the left or top edge of all monitors together), and never after -1000.
int32_t parkingPosition(int32_t virtualStart);

// right - left or bottom - top of a rectangle read from disk, where any values can stand: computed
// without overflow and clamped to the range of int32_t.
int32_t rectExtent(int32_t from, int32_t to);

// The record keeps the measures of a 96-DPI screen, whatever the display: a file means the same
// at every scale, and one written before the program knew of scales keeps its meaning.
const int kBaseDpi = 96;

// value * numerator / denominator (which must be above 0), rounded half away from zero as the
// platform's MulDiv rounds, and clamped to the range of int32_t.
int32_t mulDiv(int32_t value, int32_t numerator, int32_t denominator);

// A measure of the record in pixels of `dpi`, and back.
inline int32_t scaled(int32_t value, int dpi) {
    return mulDiv(value, dpi, kBaseDpi);
}
inline int32_t unscaled(int32_t value, int dpi) {
    return mulDiv(value, kBaseDpi, dpi);
}

// A rectangle from one scale to another. Its edges are coordinates of the desktop, which the record
// keeps at the system's scale (each edge as MulDiv(value, dpi, 96)); on a monitor of another scale
// its width and height are those of a window there, at the monitor's scale.
SettingsRect rescaledRect(const SettingsRect &rect, int systemFrom, int systemTo, int monitorFrom,
                          int monitorTo);

// A rectangle of the record in pixels, and back: a stored rectangle comes back unchanged from its
// pixels at any scale from 96 up.
inline SettingsRect rectToPixels(const SettingsRect &units, int systemDpi, int monitorDpi) {
    return rescaledRect(units, kBaseDpi, systemDpi, kBaseDpi, monitorDpi);
}
inline SettingsRect rectToUnits(const SettingsRect &pixels, int systemDpi, int monitorDpi) {
    return rescaledRect(pixels, systemDpi, kBaseDpi, monitorDpi, kBaseDpi);
}

// The font with its height and width from one scale to another.
SettingsFont rescaledFont(const SettingsFont &font, int from, int to);
inline SettingsFont fontToPixels(const SettingsFont &units, int dpi) {
    return rescaledFont(units, kBaseDpi, dpi);
}
inline SettingsFont fontToUnits(const SettingsFont &pixels, int dpi) {
    return rescaledFont(pixels, dpi, kBaseDpi);
}
