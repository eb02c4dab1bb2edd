// Where the notification window may be shown: a pure rule over its rectangle and the work area.
#pragma once

#include "settings/settings.h"

// Pulls a rectangle that lies wholly beyond an edge back onto the screen: left of x = 0 or above
// y = 0 (the screen's origin, not the work area's), right of the work area's right edge or below
// its bottom edge. A pulled-back rectangle gets a width of 200 or a height of 60; one that is even
// partly on the screen keeps its position and size along that axis.
void pullOntoScreen(SettingsRect *rect, int32_t workRight, int32_t workBottom);
