// What a check round leaves on the screen, seen from outside: the notification window, where it
// stands and what it shows, and the messages that start rounds.
#pragma once

#include "e2e/program.h"
#include "res/resource.h"

#include <string>
#include <vector>

inline void setAccount(Settings *record, int slot, const char *name, const char *server,
                       const char *user, const char *password) {
    lstrcpyA(record->names[slot], name);
    lstrcpyA(record->servers[slot], server);
    lstrcpyA(record->users[slot], user);
    lstrcpyA(record->passwords[slot], password);
}

inline Settings defaultSettings() {
    Settings record;
    applyDefaults(&record);
    return record;
}

// Delivers a message and waits until the program has handled it: a round runs inside.
inline void deliver(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR result;
    ASSERT_TRUE(
        SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, kTimeoutMs, &result));
}

inline void tick(HWND window) {
    deliver(window, WM_TIMER, ID_CHECK_TIMER);
}

inline void clickTrayIcon(HWND window) {
    PostMessageA(window, WM_TRAYNOTIFY, ID_TRAY_ICON, WM_LBUTTONDOWN);
}

inline HWND msgWindow() {
    return FindWindowA("vemoMsgClass", NULL);
}

inline RECT windowRect(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

inline bool isTopmost(HWND window) {
    return (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

// Off the screen at (-1000, -1000), out of the topmost group, but neither hidden nor destroyed.
inline bool isParked(HWND window) {
    RECT rect = windowRect(window);
    return IsWindow(window) && IsWindowVisible(window) && !isTopmost(window) &&
           rect.left == -1000 && rect.top == -1000;
}

// Waits for the notification window to be shown by the start-up round.
inline HWND shownMsgWindow() {
    DWORD start = GetTickCount();
    do {
        HWND window = msgWindow();
        if (window && IsWindowVisible(window) && isTopmost(window))
            return window;
        Sleep(20);
    } while (GetTickCount() - start < kTimeoutMs);
    return NULL;
}

inline std::vector<DWORD> bitmapPixels(HDC dc, HBITMAP bitmap, int width, int height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<DWORD> pixels(static_cast<size_t>(width) * height);
    GetDIBits(dc, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    for (DWORD &pixel : pixels)
        pixel &= 0xFFFFFF;
    return pixels;
}

// The window's client area as the screen shows it (the window is topmost), or, with `text`, as
// it looks when `text` is painted there in the colours and font of `record`, `margin` pixels in.
inline std::vector<DWORD> clientPixels(HWND window, const Settings *record = NULL,
                                       const char *text = NULL, int margin = 10) {
    RECT client;
    GetClientRect(window, &client);
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    HDC screen = GetDC(NULL);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
    HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
    if (text) {
        HBRUSH brush = CreateSolidBrush(record->msgBackColor);
        FillRect(memory, &client, brush);
        DeleteObject(brush);
        HFONT font = CreateFontIndirectA(&record->msgFont);
        HGDIOBJ oldFont = SelectObject(memory, font);
        SetTextColor(memory, record->msgTextColor);
        SetBkMode(memory, TRANSPARENT);
        RECT area = {margin, margin, client.right, client.bottom};
        DrawTextA(memory, text, lstrlenA(text), &area, DT_WORDBREAK);
        SelectObject(memory, oldFont);
        DeleteObject(font);
    } else {
        BitBlt(memory, 0, 0, client.right, client.bottom, screen, origin.x, origin.y, SRCCOPY);
    }
    SelectObject(memory, oldBitmap);
    std::vector<DWORD> pixels = bitmapPixels(memory, bitmap, client.right, client.bottom);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(NULL, screen);
    return pixels;
}

// Waits until the window shows exactly `text`, painted as the program paints it.
inline bool showsText(HWND window, const Settings &record, const char *text, int margin = 10) {
    std::vector<DWORD> expected = clientPixels(window, &record, text, margin);
    DWORD start = GetTickCount();
    do {
        if (clientPixels(window) == expected)
            return true;
        Sleep(50);
    } while (GetTickCount() - start < 5000);
    return false;
}

// Whether the window's client area holds all of `text` as the program paints it, with as much
// room below it as the margin above: a comparison of pixels alone passes a window that cuts it.
inline bool holdsText(HWND window, const Settings &record, const char *text) {
    RECT client, area;
    GetClientRect(window, &client);
    SetRect(&area, 10, 10, client.right, 10);
    HDC dc = GetDC(NULL);
    HFONT font = CreateFontIndirectA(&record.msgFont);
    HGDIOBJ oldFont = SelectObject(dc, font);
    DrawTextA(dc, text, lstrlenA(text), &area, DT_WORDBREAK | DT_CALCRECT);
    SelectObject(dc, oldFont);
    DeleteObject(font);
    ReleaseDC(NULL, dc);
    return client.bottom >= area.bottom + 10;
}
