// The notification window: its class, painting, menu, placement on the screen and parking, in
// pixels of its monitor's scale, while the record keeps the measures of a 96-DPI screen.
#include "notify/notify.h"

#include "app/app.h"
#include "notify/dpi.h"
#include "notify/placement.h"
#include "res/resource.h"
#include "settings/settings.h"

#include <shellapi.h>

char g_resultText[kResultSize];

static const char kMsgClassName[] = "vemoMsgClass";
static const DWORD kMsgStyle = WS_OVERLAPPEDWINDOW;
static const DWORD kMsgExStyle = WS_EX_TOOLWINDOW;
// Enough for any desk; monitors beyond it are treated as absent.
static const int kMaxMonitors = 16;

// The scale that the window is drawn for: its monitor's, as the last placement or WM_DPICHANGED
// made it.
static int g_msgDpi = kBaseDpi;
// Set while the program moves the window itself, at a size already made for the monitor that it
// goes to: the change of scale that the move brings must not scale it once more.
static int g_placing;

static LRESULT onCreate(HWND window) {
    HMENU systemMenu = GetSystemMenu(window, FALSE);
    DeleteMenu(systemMenu, SC_MINIMIZE, MF_BYCOMMAND);
    DeleteMenu(systemMenu, SC_MAXIMIZE, MF_BYCOMMAND);
    DeleteMenu(systemMenu, SC_RESTORE, MF_BYCOMMAND);
    return 0;
}

// The user's font at that scale; the font of a first start where the stored record is too large
// to draw or the platform refuses it.
static HFONT messageFont(int dpi) {
    LOGFONTA font = fontToPixels(g_settings.msgFont, dpi);
    HFONT made = isDrawableFont(&font) ? CreateFontIndirectA(&font) : NULL;
    if (!made) {
        applyDefaultFont(&font);
        font = fontToPixels(font, dpi);
        made = CreateFontIndirectA(&font);
    }
    return made;
}

// Brush and font are made from the settings at every paint, so changes show at the next one.
static LRESULT onPaint(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);

    HBRUSH brush = CreateSolidBrush(g_settings.msgBackColor);
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    FillRect(dc, &client, brush);
    SelectObject(dc, oldBrush);
    DeleteObject(brush);

    HFONT font = messageFont(g_msgDpi);
    HGDIOBJ oldFont = font ? SelectObject(dc, font) : NULL;
    SetTextColor(dc, g_settings.msgTextColor);
    SetBkMode(dc, TRANSPARENT);
    RECT text = client;
    text.left = scaled(kTextMargin, g_msgDpi);
    text.top = text.left;
    DrawTextA(dc, g_resultText, lstrlenA(g_resultText), &text, DT_WORDBREAK);
    if (font) {
        SelectObject(dc, oldFont);
        DeleteObject(font);
    }
    EndPaint(window, &paint);
    return 0;
}

static LRESULT onCommand(HWND window, int command) {
    if (command == ID_START_MAILER) {
        ShellExecuteA(NULL, "Open", g_settings.mailerPath, NULL, NULL, SW_SHOWNORMAL);
        SendMessageA(window, WM_CLOSE, 0, 0);
    }
    return 0;
}

static LRESULT onRightButtonUp(HWND window) {
    trackMenuAtCursor(window, IDR_MSG_MENU);
    return 0;
}

// The window went to a monitor of another scale, or its monitor's scale changed: it takes the
// rectangle that the system suggests for it there, and its text is drawn anew for that scale.
static LRESULT onDpiChanged(HWND window, int dpi, const RECT &suggested) {
    g_msgDpi = dpi;
    if (!g_placing)
        SetWindowPos(window, NULL, suggested.left, suggested.top,
                     rectExtent(suggested.left, suggested.right),
                     rectExtent(suggested.top, suggested.bottom), SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(window, NULL, FALSE);
    return 0;
}

static LRESULT CALLBACK msgWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        return onCreate(window);
    case WM_PAINT:
        return onPaint(window);
    case WM_CLOSE:
    case WM_LBUTTONDOWN:
        return hideMsgWindow(window);
    case WM_COMMAND:
        return onCommand(window, LOWORD(wParam));
    case WM_RBUTTONUP:
        return onRightButtonUp(window);
    case WM_DPICHANGED:
        return onDpiChanged(window, HIWORD(wParam), *reinterpret_cast<const RECT *>(lParam));
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// A rectangle of the record in pixels, at the scale of the monitor that it lands on, which `dpi`
// receives.
static RECT toPixels(const RECT &units, int *dpi) {
    int system = systemDpi();
    *dpi = rectDpi(rectToPixels(units, system, system));
    return rectToPixels(units, system, *dpi);
}

HWND createMsgWindow(int x, int y, int width, int height) {
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = msgWindowProc;
    windowClass.hInstance = g_instance;
    windowClass.hCursor = static_cast<HCURSOR>(
        LoadImageA(NULL, MAKEINTRESOURCEA(32512), IMAGE_CURSOR, 0, 0, LR_SHARED | LR_DEFAULTSIZE));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kMsgClassName;
    if (!RegisterClassExA(&windowClass))
        return NULL;
    // The record's rectangle, from which the caller took these.
    RECT units = {x, y, static_cast<LONG>(static_cast<DWORD>(x) + width),
                  static_cast<LONG>(static_cast<DWORD>(y) + height)};
    RECT rect = toPixels(units, &g_msgDpi);
    return CreateWindowExA(kMsgExStyle, kMsgClassName, " メールの確認", kMsgStyle, rect.left,
                           rect.top, rectExtent(rect.left, rect.right),
                           rectExtent(rect.top, rect.bottom), NULL, NULL, g_instance, NULL);
}

struct WorkAreas {
    RECT areas[kMaxMonitors];
    int count;
};

// Adds the work area of every monitor but the primary, whose area is already the first.
static BOOL CALLBACK addOtherWorkArea(HMONITOR monitor, HDC, LPRECT, LPARAM found) {
    WorkAreas *list = reinterpret_cast<WorkAreas *>(found);
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (GetMonitorInfoA(monitor, &info) && !(info.dwFlags & MONITORINFOF_PRIMARY))
        list->areas[list->count++] = info.rcWork;
    return list->count < kMaxMonitors;
}

void clampMsgRect() {
    WorkAreas list = {};
    // Without a work area the whole primary screen stands in for it.
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &list.areas[0], 0))
        list.areas[0] = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    list.count = 1;
    EnumDisplayMonitors(NULL, NULL, addOtherWorkArea, reinterpret_cast<LPARAM>(&list));
    int dpi;
    RECT rect = toPixels(g_settings.msgRect, &dpi);
    RECT pulled = rect;
    pullOntoScreen(&pulled, list.areas, list.count, rectDpi(list.areas[0]));
    // Only a rectangle pulled back is written: one that stays keeps its measures exactly.
    if (!EqualRect(&pulled, &rect))
        g_settings.msgRect = rectToUnits(pulled, systemDpi(), rectDpi(pulled));
}

// Grows the window's rectangle, in pixels of `dpi`, so that its client area holds every line of
// the result text as the paint draws it (the margin above, the user's font, the word breaks at the
// window's width) and the margin below, within the work area of its monitor: the default
// rectangle leaves only a strip on Windows 10 and 11, and one line under Wine.
static void fitToResultText(RECT &rect, int dpi) {
    RECT frame = {0, 0, 0, 0};
    adjustWindowRectForDpi(&frame, kMsgStyle, kMsgExStyle, dpi);
    int32_t width = rectExtent(rect.left, rect.right); // any value, when read from the file
    int32_t margin = scaled(kTextMargin, dpi);
    RECT text = {margin, margin, (width > 0 ? width : 0) - rectExtent(frame.left, frame.right),
                 margin};
    HDC dc = GetDC(g_msgWindow);
    HFONT font = messageFont(dpi);
    HGDIOBJ oldFont = font ? SelectObject(dc, font) : NULL;
    DrawTextA(dc, g_resultText, lstrlenA(g_resultText), &text, DT_WORDBREAK | DT_CALCRECT);
    if (font) {
        SelectObject(dc, oldFont);
        DeleteObject(font);
    }
    ReleaseDC(g_msgWindow, dc);
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    if (GetMonitorInfoA(MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST), &monitor))
        fitToText(&rect, text.bottom - text.top, rectExtent(frame.top, frame.bottom),
                  monitor.rcWork, dpi);
}

void showMsgWindow() {
    if (!g_msgWindow)
        return;
    int dpi;
    RECT rect = toPixels(g_settings.msgRect, &dpi);
    RECT stored = rect;
    fitToResultText(rect, dpi);
    if (!EqualRect(&rect, &stored))
        g_settings.msgRect = rectToUnits(rect, systemDpi(), dpi);
    g_msgDpi = dpi;
    g_placing = 1;
    // A minimised window is restored first, without taking the focus: moving it alone would leave
    // it minimised, and a tool window has no taskbar button from which the user could restore it.
    // A tool window's placement is in screen coordinates, like msgRect.
    if (IsIconic(g_msgWindow)) {
        WINDOWPLACEMENT placement = {};
        placement.length = sizeof placement;
        placement.showCmd = SW_SHOWNOACTIVATE;
        placement.rcNormalPosition = rect;
        SetWindowPlacement(g_msgWindow, &placement);
    }
    SetWindowPos(g_msgWindow, HWND_TOPMOST, rect.left, rect.top, rectExtent(rect.left, rect.right),
                 rectExtent(rect.top, rect.bottom), SWP_SHOWWINDOW);
    g_placing = 0;
    // A window already showing at the same place would otherwise keep the old text.
    InvalidateRect(g_msgWindow, NULL, FALSE);
}

LRESULT hideMsgWindow(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    g_settings.msgRect = rectToUnits(rect, systemDpi(), g_msgDpi);
    // Beyond the left and top of every monitor, so that no part of the window is on any of them.
    g_placing = 1;
    SetWindowPos(window, HWND_NOTOPMOST, parkingPosition(GetSystemMetrics(SM_XVIRTUALSCREEN)),
                 parkingPosition(GetSystemMetrics(SM_YVIRTUALSCREEN)), 0, 0, SWP_SHOWWINDOW);
    g_placing = 0;
    return 0;
}
