// Start-up: the single-instance guard, the settings, the hidden main window and the message loop.
#include "app/app.h"
#include "res/resource.h"
#include "res/version.h"
#include "settings/settings_file.h"

#include <commctrl.h>

const char kVersionString[] = VEMO_VERSION_STRING;
const char kMainClassName[] = "vemoClass";

static_assert(sizeof kVersionString <= 64, "the version string must fit the tray tip");

HINSTANCE g_instance;
HWND g_mainWindow;

static int registerMainClass() {
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = mainWindowProc;
    windowClass.hInstance = g_instance;
    windowClass.hIcon = static_cast<HICON>(LoadImageA(
        g_instance, MAKEINTRESOURCEA(IDI_VEMO), IMAGE_ICON, 0, 0, LR_SHARED | LR_DEFAULTSIZE));
    windowClass.hCursor = static_cast<HCURSOR>(
        LoadImageA(NULL, MAKEINTRESOURCEA(32512), IMAGE_CURSOR, 0, 0, LR_SHARED | LR_DEFAULTSIZE));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kMainClassName;
    return RegisterClassExA(&windowClass) != 0;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // The mutex lives until the process ends; a second copy only says that one already runs.
    HANDLE mutex = CreateMutexA(NULL, FALSE, kMainClassName);
    if (mutex && GetLastError() == ERROR_ALREADY_EXISTS) {
        MessageBoxA(NULL, "既に起動しています。", VEMO_NAME, MB_ICONWARNING);
        return 0;
    }

    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&controls);

    if (!loadSettings(&g_settings))
        applyDefaults(&g_settings);

    g_instance = instance;
    if (!registerMainClass())
        return 0;
    g_mainWindow = CreateWindowExA(WS_EX_TOOLWINDOW, kMainClassName, kVersionString,
                                   WS_OVERLAPPEDWINDOW, -50, -50, 0, 0, NULL, NULL, instance, NULL);
    if (!g_mainWindow)
        return 0;
    ShowWindow(g_mainWindow, SW_HIDE);

    MSG message = {};
    BOOL result;
    while ((result = GetMessageA(&message, NULL, 0, 0)) != 0 && result != -1) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}
