// The scale of the displays as the platform reports it. The functions that say it came with later
// versions of Windows: they are looked up at run time, and where they are missing every window has
// the system's scale.
#pragma once

#include <windows.h>

// The scale at which the program started, in dots per inch (96 at 100 %).
int systemDpi();

// The scale of the monitor that shows the window, and of the monitor nearest to a rectangle.
int windowDpi(HWND window);
int rectDpi(const RECT &rect);

// GetSystemMetrics and AdjustWindowRectEx for a window at that scale.
int systemMetricForDpi(int index, int dpi);
void adjustWindowRectForDpi(RECT *rect, DWORD style, DWORD exStyle, int dpi);
