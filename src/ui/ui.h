// The settings dialog (template 104) and the account dialog (template 105).
#pragma once

#include <windows.h>

// Working copies of the notification window's options while the settings dialog is open; OK
// takes them over into g_settings, Cancel drops them.
extern COLORREF g_workBackColor;
extern COLORREF g_workTextColor;
extern LOGFONTA g_workFont;

// The colour dialog's custom colours: kept for the whole run, never saved.
extern COLORREF g_customColors[16];

// The slot that the account dialog edits, or -1 while it adds an account. Keeps its last value
// after the dialog has closed.
extern int g_editSlot;

// The open settings dialog, NULL while there is none.
extern HWND g_settingsDialog;

// Opened modally by the main window with creation parameter 0. Ends with IDOK when OK took the
// options over (the opener then restarts the check timer's minute), else with 0.
INT_PTR CALLBACK settingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Opened modally by the settings dialog; lParam points to an int: -1 to add, a slot to edit.
INT_PTR CALLBACK accountDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Places `window` centred over `reference`, on top of the Z order, and shows it.
void centerWindow(HWND reference, HWND window);

// What both dialogs do first: the program's icon as their small icon, centred on the screen.
void prepareDialog(HWND dialog);
