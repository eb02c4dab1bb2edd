// Where the notification window may be shown: pure rules over its rectangle and the monitors'
// work areas.
#pragma once

#include "settings/settings.h"

// Pulls a rectangle that lies on no monitor back onto the primary screen. A rectangle that
// overlaps any of the work areas (the primary's first) stays as it is, so a window that the user
// put on another monitor stays there. Otherwise it is pulled back when it lies wholly beyond an
// edge: left of x = 0 or above y = 0 (the screen's origin, not the work area's), right of the
// primary work area's right edge or below its bottom edge. A pulled-back rectangle gets a width of
// 200 or a height of 60; one that is even partly inside the primary's band along an axis keeps its
// position and size along that axis.
void pullOntoScreen(SettingsRect *rect, const SettingsRect *workAreas, int count);

// Left and top inset of the text in the window's client area, and the room kept below it.
const int32_t kTextMargin = 10;

// Grows the window's outer rectangle so that its client area holds a text `textHeight` pixels
// tall (as drawn at the window's width) with kTextMargin above and below, `frameHeight` being
// what caption and borders take: downward, or upward where that would pass the bottom of
// `workArea` (the work area of its monitor), and never taller than the work area. A rectangle
// already as tall stays as it is: the window is never shrunk.
void fitToText(SettingsRect *rect, int32_t textHeight, int32_t frameHeight,
               const SettingsRect &workArea);

// Where a dismissed window is parked along one axis: 1000 pixels before the virtual screen's start
// (the left or top edge of all monitors together), and never after -1000.
int32_t parkingPosition(int32_t virtualStart);

// right - left or bottom - top of a rectangle read from disk, where any values can stand: computed
// without overflow and clamped to the range of int32_t.
int32_t rectExtent(int32_t from, int32_t to);
