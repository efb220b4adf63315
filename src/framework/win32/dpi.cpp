// DPI awareness and lookup; every entry point is optional.
#include "src/framework/win32/dpi.h"

#include "src/framework/win32/handles.h"

namespace fw::win32 {

void EnableDpiAwareness() {
    // The manifest usually settles this already, and then these calls fail
    // harmlessly; they matter when the exe runs without its manifest.
    using SetContext = decltype(&::SetProcessDpiAwarenessContext);
    if (auto setContext = LookUp<SetContext>("user32.dll", "SetProcessDpiAwarenessContext"))
        if (setContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2)) return;
    using SetAware = decltype(&::SetProcessDPIAware);
    if (auto setAware = LookUp<SetAware>("user32.dll", "SetProcessDPIAware")) setAware();
}

int DpiOf(HWND window) {
    using ForWindow = decltype(&::GetDpiForWindow);
    static const auto forWindow = LookUp<ForWindow>("user32.dll", "GetDpiForWindow");
    if (window && forWindow)
        if (const UINT dpi = forWindow(window)) return static_cast<int>(dpi);
    ScreenDc screen;
    const int dpi = GetDeviceCaps(screen.Get(), LOGPIXELSY);
    return dpi > 0 ? dpi : kDesignDpi;
}

}  // namespace fw::win32
