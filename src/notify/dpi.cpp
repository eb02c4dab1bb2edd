// The displays' scales, through the functions of later versions of Windows where they exist.
#include "notify/dpi.h"

#include <shellscalingapi.h>

// The function of that name in the module, already loaded, or NULL. Through a plain function
// pointer type, which any other function pointer type converts from.
template <class Function> static Function lookUp(HMODULE module, const char *name) {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

template <class Function> static Function user32(const char *name) {
    return lookUp<Function>(GetModuleHandleA("user32.dll"), name);
}

int systemDpi() {
    if (auto forSystem = user32<decltype(&GetDpiForSystem)>("GetDpiForSystem"))
        return static_cast<int>(forSystem());
    HDC screen = GetDC(NULL);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(NULL, screen);
    return dpi;
}

int windowDpi(HWND window) {
    auto forWindow = user32<decltype(&GetDpiForWindow)>("GetDpiForWindow");
    UINT dpi = forWindow ? forWindow(window) : 0;
    return dpi ? static_cast<int>(dpi) : systemDpi();
}

// shcore.dll, where the monitors' scales are, exists from Windows 8.1 on; once loaded it stays.
int rectDpi(const RECT &rect) {
    HMODULE shcore = GetModuleHandleA("shcore.dll");
    if (!shcore)
        shcore = LoadLibraryA("shcore.dll");
    auto forMonitor =
        shcore ? lookUp<decltype(&GetDpiForMonitor)>(shcore, "GetDpiForMonitor") : NULL;
    UINT x = 0, y = 0;
    if (forMonitor &&
        forMonitor(MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST), MDT_EFFECTIVE_DPI, &x, &y) ==
            S_OK &&
        y)
        return static_cast<int>(y);
    return systemDpi();
}

int systemMetricForDpi(int index, int dpi) {
    if (auto forDpi = user32<decltype(&GetSystemMetricsForDpi)>("GetSystemMetricsForDpi"))
        return forDpi(index, static_cast<UINT>(dpi));
    return GetSystemMetrics(index);
}

void adjustWindowRectForDpi(RECT *rect, DWORD style, DWORD exStyle, int dpi) {
    auto forDpi = user32<decltype(&AdjustWindowRectExForDpi)>("AdjustWindowRectExForDpi");
    if (!forDpi || !forDpi(rect, style, FALSE, exStyle, static_cast<UINT>(dpi)))
        AdjustWindowRectEx(rect, style, FALSE, exStyle);
}
