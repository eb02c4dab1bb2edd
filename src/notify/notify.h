// The notification window: the result of a round, topmost, in the user's colours and font. It
// lives in pixels of its monitor's scale; msgRect and the font keep the measures of a 96-DPI
// screen.
#pragma once

#include "mailcheck/result_text.h"

#include <windows.h>

// What the window shows: the lines of the last round, or the no-mail text of a manual one.
extern char g_resultText[kResultSize];

// Registers the class and creates the window hidden at that outer rectangle of the record, in
// pixels of the monitor that it lands on; NULL on failure.
HWND createMsgWindow(int x, int y, int width, int height);

// Pulls msgRect back onto the primary screen when it lies on no monitor's work area.
void clampMsgRect();

// Shows the window topmost at msgRect, restored when it was minimised, and repaints it with the
// current result text. msgRect is grown first, where it must be, so that every line of the text
// shows.
void showMsgWindow();

// Records the window's rectangle in msgRect, in the record's measures, and parks it off the
// screen; returns 0.
LRESULT hideMsgWindow(HWND window);
