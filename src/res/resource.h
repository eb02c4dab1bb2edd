// Resource and command identifiers, shared by the resource script and the code.
#pragma once

#define IDI_VEMO 101
#define IDR_TRAY_MENU 102
#define IDR_MSG_MENU 103
#define IDD_SETTINGS 104
#define IDD_ACCOUNT 105
#define IDI_VEMO_MAIL 106 // the tray's picture while mail waits, at the tray's sizes
#define IDI_TRAY 107      // the tray's picture otherwise: 101's envelope at the tray's sizes

#define ID_TRAY_ICON 2001
#define ID_CHECK_TIMER 2002
#define WM_TRAYNOTIFY 0x8001

#define ID_EXIT 40001
#define ID_TOGGLE_STARTUP 40002
#define ID_OPEN_SETTINGS 40003
#define ID_SHOW_ABOUT 40004
#define ID_START_MAILER 40005

// Controls of the account dialog (105) and the settings dialog (104).
#define IDC_ACCOUNT_NAME 1000
#define IDC_ACCOUNT_SERVER 1001
#define IDC_ACCOUNT_USER 1002
#define IDC_ACCOUNT_PASSWORD 1003
#define IDC_INTERVAL 1004
#define IDC_MAILER_PATH 1005
#define IDC_WINDOW_COLOR 1006
#define IDC_FONT 1007
#define IDC_ADD_ACCOUNT 1008
#define IDC_EDIT_ACCOUNT 1009
#define IDC_DELETE_ACCOUNT 1010
#define IDC_BROWSE_MAILER 1011
#define IDC_INTERVAL_SPIN 1012
#define IDC_APOP 1013
#define IDC_ACCOUNT_LIST 1014
#define IDC_CHECK_AT_STARTUP 1015
