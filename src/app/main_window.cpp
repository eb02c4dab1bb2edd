#include "app/app.h"
#include "settings/settings_file.h"

static LRESULT onCreate() {
    return 0;
}

// Closing the window and the end of the Windows session both save the record and end the program.
static void shutDown(HWND window) {
    saveSettings(&g_settings);
    DestroyWindow(window);
}

static LRESULT onClose(HWND window) {
    shutDown(window);
    return 0;
}

static LRESULT onEndSession(HWND window) {
    shutDown(window);
    return 1;
}

static LRESULT onDestroy() {
    PostQuitMessage(0);
    return 0;
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        return onCreate();
    case WM_CLOSE:
        return onClose(window);
    case WM_ENDSESSION:
        return onEndSession(window);
    case WM_DESTROY:
        return onDestroy();
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
