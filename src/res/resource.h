// Resource and command identifiers, shared by the resource script and the code.
#pragma once

#define IDI_VEMO 101
#define IDR_TRAY_MENU 102
#define IDR_MSG_MENU 103
#define IDD_SETTINGS 104
#define IDD_ACCOUNT 105

#define ID_TRAY_ICON 2001
#define ID_CHECK_TIMER 2002
#define WM_TRAYNOTIFY 0x8001

#define ID_EXIT 40001
#define ID_TOGGLE_STARTUP 40002
#define ID_OPEN_SETTINGS 40003
#define ID_SHOW_ABOUT 40004
#define ID_START_MAILER 40005
