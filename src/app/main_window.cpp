// The hidden main window: the tray icon and its menu, the check timer, the settings dialog's
// opening and the orderly shutdown.
#include "app/app.h"
#include "app/schedule.h"
#include "app/tray_tip.h"
#include "mailcheck/mailcheck.h"
#include "mailcheck/messages.h"
#include "mailcheck/round.h"
#include "notify/dpi.h"
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

// The tray's two pictures, without and with the mark of waiting mail, at the tray's size.
static const int kTrayPictureIds[2] = {IDI_TRAY, IDI_VEMO_MAIL};
static HICON g_trayPictures[2];

static HICON trayPicture(int iconId) {
    return g_trayPictures[iconId == IDI_VEMO_MAIL];
}

// Loads the tray's pictures at the small-icon size of the tray's scale `dpi` and shows the one in
// use at that size. A change of scale also announces a new taskbar while the icon is still there,
// where NIM_ADD fails: the icon is then changed instead.
static void showTrayPictures(int dpi) {
    HICON old[2] = {g_trayPictures[0], g_trayPictures[1]};
    int size = systemMetricForDpi(SM_CXSMICON, dpi);
    for (int i = 0; i < 2; i++)
        g_trayPictures[i] = static_cast<HICON>(LoadImageA(
            g_instance, MAKEINTRESOURCEA(kTrayPictureIds[i]), IMAGE_ICON, size, size, 0));
    g_trayIcon.hIcon = g_trayPictures[old[1] && g_trayIcon.hIcon == old[1]];
    if (!Shell_NotifyIconA(NIM_ADD, &g_trayIcon))
        Shell_NotifyIconA(NIM_MODIFY, &g_trayIcon);
    for (HICON icon : old)
        if (icon)
            DestroyIcon(icon);
}

// The tip of the last completed round, empty while there is none, and whether it found mail.
static char g_foundTip[kTrayTipSize];
static int g_foundMail;
// The window and the sound held back while the user may not be disturbed.
static Owed g_owed;

PlaySoundFunction g_playSound;

// The tray says what is true now: what the last completed round found, with the picture's mark
// while mail waits, or that automatic checks wait for the network. The record keeps it, so that a
// restarted shell gets it back.
static void showTrayState(RoundOutcome outcome, const RoundResult &result) {
    if (outcome == kRoundCompleted) {
        buildTrayTip(g_foundTip, kVersionString, result);
        g_foundMail = 0;
        for (int count : result.counts)
            g_foundMail |= count > 0;
    }
    TipState state = tipAfter(outcome, g_foundTip[0] != '\0');
    if (state == kTipVersion) {
        g_foundTip[0] = '\0';
        g_foundMail = 0;
    }
    if (state == kTipHeld)
        buildHeldTip(g_trayIcon.szTip, kVersionString);
    else
        lstrcpynA(g_trayIcon.szTip, state == kTipFound ? g_foundTip : kVersionString, kTrayTipSize);
    g_trayIcon.hIcon = trayPicture(g_foundMail ? IDI_VEMO_MAIL : IDI_TRAY);
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

// Whether the foreground window covers the whole of its monitor, as a video, a slide show or a
// game does.
static int coversItsMonitor(HWND window) {
    RECT rect;
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    if (!GetWindowRect(window, &rect) ||
        !GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONULL), &monitor))
        return 0;
    const RECT &screen = monitor.rcMonitor;
    return rect.left <= screen.left && rect.top <= screen.top && rect.right >= screen.right &&
           rect.bottom >= screen.bottom;
}

// The shell's desktop and taskbar cover their monitor without being a full-screen program, and
// this program's own windows never keep it from showing.
static int isShellOrOwnWindow(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() || window == GetDesktopWindow() ||
        window == GetShellWindow())
        return 1;
    char name[16] = "";
    GetClassNameA(window, name, sizeof name);
    return !lstrcmpA(name, "Progman") || !lstrcmpA(name, "WorkerW") ||
           !lstrcmpA(name, "Shell_TrayWnd");
}

// Asks the shell how the user is, where it can tell (it cannot before Vista), and looks at the
// foreground window: the shell's answer alone misses some full-screen programs.
static int userMayBeDisturbedNow() {
    typedef HRESULT(WINAPI * QueryState)(int *state);
    QueryState query = reinterpret_cast<QueryState>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleA("shell32.dll"), "SHQueryUserNotificationState")));
    int state = 0;
    if (!query || query(&state) != S_OK)
        state = 0;
    HWND front = GetForegroundWindow();
    return userMayBeDisturbed(state, front && coversItsMonitor(front),
                              front && isShellOrOwnWindow(front));
}

// The user's new-mail sound, the one that Windows' sound settings choose or silence. The library
// is loaded the first time there is new mail to announce, not at start-up.
static void playNewMailSound() {
    if (!g_playSound) {
        HMODULE library = LoadLibraryA("winmm.dll");
        if (library)
            g_playSound = reinterpret_cast<PlaySoundFunction>(
                reinterpret_cast<void (*)()>(GetProcAddress(library, "PlaySoundA")));
    }
    if (g_playSound)
        g_playSound("MailBeep", NULL, SND_ALIAS | SND_ASYNC | SND_NODEFAULT);
}

static void give(int given) {
    if (given & kShowWindow)
        showMsgWindow();
    if (given & kPlaySound)
        playNewMailSound();
}

// What a round found: the window's text and its place after every completed round, then the
// window and the sound now or, while the user may not be disturbed, once they may (onTimer).
// A manual round without mail says so in the window and brings it to the foreground.
static void showRound(RoundOutcome outcome, int manual, const RoundResult &result) {
    int hasLines = 0, anyNew = 0;
    for (int fresh : result.fresh)
        anyNew |= fresh;
    if (outcome == kRoundCompleted) {
        buildResultText(g_resultText, result.names, result.counts);
        clampMsgRect();
        hasLines = g_resultText[0] != '\0';
        if (manual && !hasLines)
            lstrcpyA(g_resultText, "未受信メールはありません。");
    }
    int given = announceRound(outcome, manual, hasLines, anyNew, manual || userMayBeDisturbedNow(),
                              &g_owed);
    give(given);
    if ((given & kShowWindow) && manual && !hasLines)
        SetForegroundWindow(g_msgWindow);
    showTrayState(outcome, result);
}

// A round, and what it found. An automatic round asked for while the computer is offline is held
// instead: it would only fail for every account; it asks again before each account, and a query
// that could not reach its server because the computer went offline holds the rest. Returns 0
// when the round was held or cut short (a due automatic round then stays due), else 1.
static int runRound(HWND window, int manual) {
    RoundResult result = {};
    RoundOutcome outcome = kRoundHeld;
    if (roundRunsNow(manual, manual || computerIsOnline())) {
        int busy = g_busy;
        g_busy = 1;
        outcome =
            checkAllAccounts(window, &result, manual ? NULL : computerIsOnline, &g_shuttingDown);
        // The flag as it was found, but for a manual round started while the settings dialog
        // holds it: that one clears it, so that ticks check again while the dialog stays open.
        int ran = outcome != kRoundTurnedAway && outcome != kRoundNoAccounts;
        g_busy = manual && ran ? 0 : busy;
    }
    if (manual && outcome == kRoundNoAccounts)
        MessageBoxA(window, "アカウントが登録されていません。", VEMO_NAME, MB_ICONERROR);
    // A shutdown during the round has removed the icon already.
    if (!g_shuttingDown)
        showRound(outcome, manual, result);
    return reloadsCountdown(outcome);
}

static LRESULT onCreate(HWND window) {
    g_trayIcon.cbSize = kTrayRecordSize;
    g_trayIcon.hWnd = window;
    g_trayIcon.uID = ID_TRAY_ICON;
    g_trayIcon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    g_trayIcon.uCallbackMessage = WM_TRAYNOTIFY;
    lstrcpynA(g_trayIcon.szTip, kVersionString, kTrayTipSize);
    showTrayPictures(windowDpi(window));
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
static LRESULT onTaskbarCreated(HWND window) {
    if (!g_shuttingDown)
        showTrayPictures(windowDpi(window));
    return 0;
}

// The scale of the tray's monitor changed: the icon gets the pictures of its new size.
static LRESULT onDpiChanged(int dpi) {
    if (!g_shuttingDown)
        showTrayPictures(dpi);
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

// A tick first gives what was held back while the user was busy, then checks when due.
static LRESULT onTimer(HWND window, UINT_PTR timer) {
    if (timer != ID_CHECK_TIMER)
        return 0;
    give(announceOwed(userMayBeDisturbedNow(), &g_owed));
    if (countdownTick(&g_countdown, g_busy) && runRound(window, 0))
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
    case WM_DPICHANGED:
        return onDpiChanged(HIWORD(wParam));
    }
    if (g_taskbarCreatedMessage && message == g_taskbarCreatedMessage)
        return onTaskbarCreated(window);
    return DefWindowProcA(window, message, wParam, lParam);
}
