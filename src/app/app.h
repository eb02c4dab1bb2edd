// Globals of the application shell.
#pragma once

#include <windows.h>

// Shown as the main window title, the tray tip, the About text and the shortcut description;
// it must fit the 64-byte tray tip with its terminator.
extern const char kVersionString[];
extern const char kMainClassName[];

extern HINSTANCE g_instance;
extern HWND g_mainWindow;
extern HWND g_msgWindow; // the notification window, NULL when it could not be created

// 1 while a check round runs or the settings dialog is open; ticks start no round meanwhile.
extern int g_busy;
// Timer ticks (minutes) left before the next automatic round.
extern int g_countdown;
// Set once the program has begun to shut down: a round paused in a message box or a network wait
// then stops.
extern int g_shuttingDown;

// Plays a sound as PlaySoundA does: looked up in winmm.dll when first needed, so that a start does
// not load it; a test puts its own player here.
typedef BOOL(WINAPI *PlaySoundFunction)(LPCSTR sound, HMODULE module, DWORD flags);
extern PlaySoundFunction g_playSound;

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Opens the popup of menu resource `menuId` at the cursor for `window`, which receives the chosen
// command as WM_COMMAND; returns when the menu has closed.
void trackMenuAtCursor(HWND window, int menuId);
