// Globals of the application shell.
#pragma once

#include <windows.h>

// Shown as the main window title, the tray tip, the About text and the shortcut description;
// it must fit the 64-byte tray tip with its terminator.
extern const char kVersionString[];
extern const char kMainClassName[];

extern HINSTANCE g_instance;
extern HWND g_mainWindow;

// 1 while a check round runs or the settings dialog is open: timer ticks then start no round.
extern int g_busy;
// Timer ticks (minutes) left before the next automatic check round.
extern int g_countdown;

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
