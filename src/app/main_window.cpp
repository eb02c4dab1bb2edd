// The hidden main window: the tray icon and its menu, the check timer, the settings dialog's
// opening and the orderly shutdown.
#include "app/app.h"
#include "app/schedule.h"
#include "app/tray_tip.h"
#include "mailcheck/mailcheck.h"
#include "mailcheck/messages.h"
#include "mailcheck/round.h"
#include "notify/notify.h"
#include "notify/placement.h"
#include "res/resource.h"
#include "res/version.h"
#include "settings/settings_file.h"
#include "startup/startup.h"
#include "ui/ui.h"

#include <iphlpapi.h>
#include <shellapi.h>

#include <cstddef>

HWND g_msgWindow;
int g_busy;
int g_countdown;
int g_shuttingDown;

// The tray record in its first layout, which every version of the shell understands; its tip
// holds 64 bytes.
static const DWORD kTrayRecordSize = NOTIFYICONDATAA_V1_SIZE;
static_assert(sizeof(void *) != 4 || kTrayRecordSize == 88, "the first tray record is 88 bytes");
static_assert(kTrayRecordSize == offsetof(NOTIFYICONDATAA, szTip) + kTrayTipSize, "tip size");

static const UINT kCheckPeriodMs = 60000;

static NOTIFYICONDATAA g_trayIcon;
// Sent by a restarted shell, whose tray has lost every icon.
static UINT g_taskbarCreatedMessage;
// An automatic round waits for the computer to be online; the tip says so.
static int g_roundHeld;

static HICON trayPicture(int iconId) {
    return static_cast<HICON>(
        LoadImageA(g_instance, MAKEINTRESOURCEA(iconId), IMAGE_ICON, 16, 16, LR_SHARED));
}

// The tray shows what the last round found: the picture with its mark while mail waits, and in
// the tip the accounts with mail, their total, and the failures. The record keeps it, so that a
// restarted shell gets it back.
static void showTrayState(const RoundResult &result) {
    int mail = 0;
    for (int count : result.counts)
        mail |= count > 0;
    g_trayIcon.hIcon = trayPicture(mail ? IDI_VEMO_MAIL : IDI_VEMO);
    buildTrayTip(g_trayIcon.szTip, kVersionString, result);
    Shell_NotifyIconA(NIM_MODIFY, &g_trayIcon);
}

typedef DWORD(WINAPI *RouteReader)(MIB_IPFORWARDTABLE *, ULONG *, BOOL);

// The routing table's reader, from a DLL that is loaded when the program first asks whether it is
// online, and then kept: a start that never asks loads nothing for it. NULL when it cannot be had.
static RouteReader routeReader() {
    static RouteReader reader;
    HMODULE library = reader ? NULL : LoadLibraryA("iphlpapi.dll");
    // Through a plain function pointer type, which any other function pointer type converts from.
    if (library)
        reader = reinterpret_cast<RouteReader>(
            reinterpret_cast<void (*)()>(GetProcAddress(library, "GetIpForwardTable")));
    return reader;
}

// Online when the routing table holds a default route: a route to somewhere beyond this
// computer and its own links. It asks the table only; nothing is looked up or sent. A table too
// large for the buffer, or one that cannot be read, counts as online: rounds are held only when
// the computer is known to be offline.
static int computerIsOnline() {
    static char buffer[16384];
    MIB_IPFORWARDTABLE *table = reinterpret_cast<MIB_IPFORWARDTABLE *>(buffer);
    ULONG size = sizeof buffer;
    RouteReader reader = routeReader();
    if (!reader || reader(table, &size, FALSE) != NO_ERROR)
        return 1;
    for (DWORD i = 0; i < table->dwNumEntries; i++)
        if (table->table[i].dwForwardDest == 0 && table->table[i].dwForwardMask == 0)
            return 1;
    return 0;
}

// A round, and what it found in the tray. An automatic round asked for while the computer is
// offline is held instead: it would only fail for every account. Returns 0 when the round was
// held or cut short (a due automatic round then stays due), else 1.
static int runRound(HWND window, int manual) {
    if (!roundRunsNow(manual, manual || computerIsOnline())) {
        if (!g_roundHeld) {
            buildHeldTip(g_trayIcon.szTip, kVersionString);
            Shell_NotifyIconA(NIM_MODIFY, &g_trayIcon);
        }
        g_roundHeld = 1;
        return 0;
    }
    g_roundHeld = 0;
    RoundResult result;
    switch (checkAllAccounts(window, manual, &result)) {
    case kRoundCompleted:
        showTrayState(result);
        return 1;
    case kRoundCut:
        return 0;
    default:
        return 1;
    }
}

static LRESULT onCreate(HWND window) {
    g_trayIcon.cbSize = kTrayRecordSize;
    g_trayIcon.hWnd = window;
    g_trayIcon.uID = ID_TRAY_ICON;
    g_trayIcon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    g_trayIcon.uCallbackMessage = WM_TRAYNOTIFY;
    g_trayIcon.hIcon = trayPicture(IDI_VEMO);
    lstrcpynA(g_trayIcon.szTip, kVersionString, kTrayTipSize);
    Shell_NotifyIconA(NIM_ADD, &g_trayIcon);
    g_taskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");

    const RECT &rect = g_settings.msgRect;
    g_msgWindow = createMsgWindow(rect.left, rect.top, rectExtent(rect.left, rect.right),
                                  rectExtent(rect.top, rect.bottom));
    if (g_settings.checkAtStartup == 1)
        runRound(window, 0);
    SetTimer(window, ID_CHECK_TIMER, kCheckPeriodMs, NULL);
    return 0;
}

// Not while the program is ending: its icon is gone for good then.
static LRESULT onTaskbarCreated() {
    if (!g_shuttingDown)
        Shell_NotifyIconA(NIM_ADD, &g_trayIcon);
    return 0;
}

static LRESULT onPaint(HWND window) {
    PAINTSTRUCT paint;
    BeginPaint(window, &paint);
    EndPaint(window, &paint);
    return 0;
}

static const char kSaveFailedMessage[] = "設定を ' %s ' に保存できませんでした。";

// Tells the user that this run's changes are lost, naming the file that could not be written.
static void showSaveFailed(HWND window) {
    char path[MAX_PATH];
    if (!settingsFilePath(path))
        lstrcpyA(path, "ini.dat");
    char message[sizeof kSaveFailedMessage + MAX_PATH];
    char name[MAX_PATH];
    size_t length = fittingNameLength(kSaveFailedMessage, path, sizeof message);
    lstrcpynA(name, path, static_cast<int>(length) + 1);
    wsprintfA(message, kSaveFailedMessage, name);
    MessageBoxA(window, message, VEMO_NAME, MB_ICONERROR);
}

// Closing the window and the end of the Windows session take the same steps. A round paused in
// one of its message boxes or network waits holds a session open: it is ended here, and the
// round, once resumed, does nothing more. A failed save is reported only when the user asked to
// exit: at the end of the Windows session nobody is left to read it. The report comes once the icon
// and the timer are gone, so that nothing can start a round or a second shutdown while it waits.
static void shutDown(HWND window, int tellUser) {
    if (g_shuttingDown)
        return;
    g_shuttingDown = 1;
    KillTimer(window, ID_CHECK_TIMER);
    if (g_busy)
        endSession();
    int saved = saveSettings(&g_settings);
    Shell_NotifyIconA(NIM_DELETE, &g_trayIcon);
    if (!saved && tellUser)
        showSaveFailed(window);
    DestroyWindow(window);
}

static LRESULT onClose(HWND window) {
    shutDown(window, 1);
    return 0;
}

static LRESULT onEndSession(HWND window) {
    shutDown(window, 0);
    return 1;
}

static LRESULT onDestroy() {
    PostQuitMessage(0);
    return 0;
}

// One dialog at a time: a second request brings the open one (or what it has opened) to the
// front. Ticks start no round while it is open; the flag is put back as it was found, since the
// dialog may have been opened while a round waits. OK restarts the minute of the check timer.
static void openSettings(HWND window) {
    if (g_settingsDialog) {
        SetForegroundWindow(GetLastActivePopup(g_settingsDialog));
        return;
    }
    int busy = g_busy;
    g_busy = 1;
    if (DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_SETTINGS), window, settingsDialogProc,
                        0) == IDOK)
        SetTimer(window, ID_CHECK_TIMER, kCheckPeriodMs, NULL);
    g_busy = busy;
}

static LRESULT onCommand(HWND window, int command) {
    switch (command) {
    case ID_EXIT:
        SendMessageA(window, WM_CLOSE, 0, 0);
        break;
    case ID_TOGGLE_STARTUP:
        toggleStartupShortcut();
        break;
    case ID_OPEN_SETTINGS:
        openSettings(window);
        break;
    case ID_SHOW_ABOUT:
        MessageBoxA(window, kVersionString, "バージョン情報", MB_ICONINFORMATION);
        break;
    }
    return 0;
}

static LRESULT onTimer(HWND window, UINT_PTR timer) {
    if (timer == ID_CHECK_TIMER && countdownTick(&g_countdown, g_busy) && runRound(window, 0))
        g_countdown = g_settings.interval;
    return 0;
}

// A session that waits when the computer goes to sleep would wake to deadlines long passed and
// report its server as silent: the round is cut short quietly instead, and the first tick after
// the computer is back and online checks again.
static LRESULT onPowerBroadcast(WPARAM event) {
    if (event == PBT_APMSUSPEND)
        cutRound();
    return TRUE;
}

static LRESULT onInitMenu(HMENU menu) {
    MENUITEMINFOA item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_STATE;
    item.fState = startupShortcutExists() ? MFS_CHECKED : 0;
    SetMenuItemInfoA(menu, ID_TOGGLE_STARTUP, FALSE, &item);
    return 0;
}

void trackMenuAtCursor(HWND window, int menuId) {
    HMENU menu = LoadMenuA(g_instance, MAKEINTRESOURCEA(menuId));
    POINT cursor;
    GetCursorPos(&cursor);
    SetForegroundWindow(window);
    SetFocus(window);
    TrackPopupMenu(GetSubMenu(menu, 0), TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, window, NULL);
    DestroyMenu(menu);
}

static void openTrayMenu(HWND window) {
    trackMenuAtCursor(window, IDR_TRAY_MENU);
    // Lets the tray menu close properly when the user clicks elsewhere.
    PostMessageA(window, WM_NULL, 0, 0);
}

static LRESULT onTrayNotify(HWND window, UINT icon, UINT mouseMessage) {
    if (icon != ID_TRAY_ICON)
        return 0;
    if (mouseMessage == WM_RBUTTONDOWN)
        openTrayMenu(window);
    else if (mouseMessage == WM_LBUTTONDOWN)
        runRound(window, 1);
    return 0;
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        return onCreate(window);
    case WM_DESTROY:
        return onDestroy();
    case WM_PAINT:
        return onPaint(window);
    case WM_CLOSE:
        return onClose(window);
    case WM_ENDSESSION:
        return onEndSession(window);
    case WM_COMMAND:
        return onCommand(window, LOWORD(wParam));
    case WM_TIMER:
        return onTimer(window, wParam);
    case WM_POWERBROADCAST:
        return onPowerBroadcast(wParam);
    case WM_INITMENU:
        return onInitMenu(reinterpret_cast<HMENU>(wParam));
    case WM_TRAYNOTIFY:
        return onTrayNotify(window, static_cast<UINT>(wParam), static_cast<UINT>(lParam));
    }
    if (g_taskbarCreatedMessage && message == g_taskbarCreatedMessage)
        return onTaskbarCreated();
    return DefWindowProcA(window, message, wParam, lParam);
}
