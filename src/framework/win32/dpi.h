// Pixels per inch: the layout is given at 96 and scaled to the monitor's.
#pragma once

#include "src/platform/win32.h"

namespace fw::win32 {

constexpr int kDesignDpi = 96;

// Asks for per-monitor scaling where the system offers it, system-wide
// scaling on older systems; call before any window exists.
void EnableDpiAwareness();

// The DPI of the monitor the window is on (or of the system before it exists).
int DpiOf(HWND window);

inline int Scale(int designPixels, int dpi) { return MulDiv(designPixels, dpi, kDesignDpi); }

}  // namespace fw::win32
