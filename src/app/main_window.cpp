#include "app/app.h"
#include "res/resource.h"
#include "settings/settings_file.h"
#include "ui/ui.h"

int g_busy;
int g_countdown;

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

// Ticks start no round while the dialog is open. The accounts it changed are saved at once, so
// that they outlive a crash; its other options reach the record only through its OK.
static void openSettings(HWND window) {
    g_busy = 1;
    DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_SETTINGS), window, settingsDialogProc, 0);
    g_busy = 0;
    saveSettings(&g_settings);
}

static LRESULT onCommand(HWND window, int command) {
    if (command == ID_OPEN_SETTINGS)
        openSettings(window);
    return 0;
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
    case WM_COMMAND:
        return onCommand(window, LOWORD(wParam));
    case WM_DESTROY:
        return onDestroy();
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
