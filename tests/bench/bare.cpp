// The benchmark's yardstick: a Win32 program that only creates one hidden window, as vemo's main
// window is created, and ends when it is closed.
#include <windows.h>

static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "vemoBenchBare";
    if (!RegisterClassExA(&windowClass) ||
        !CreateWindowExA(WS_EX_TOOLWINDOW, "vemoBenchBare", "bare", WS_OVERLAPPEDWINDOW, -50, -50,
                         0, 0, NULL, NULL, instance, NULL))
        return 1;
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0)
        DispatchMessageA(&message);
    return 0;
}
