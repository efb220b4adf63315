// Keeps the machine up while drives are being flashed: a drive that loses
// power mid-flash can be left without working firmware.
#pragma once

#include "src/platform/win32.h"

namespace fw::win32 {

class PowerGuard {
public:
    PowerGuard() = default;
    ~PowerGuard() { Release(); }
    PowerGuard(const PowerGuard&) = delete;
    PowerGuard& operator=(const PowerGuard&) = delete;

    // No sleep, and a reason shown when the user logs off or shuts down.
    void Hold(HWND window);
    void Release();
    // While held, the window refuses to let the session end.
    bool Held() const { return held_; }

private:
    bool held_ = false;
    HWND reasonWindow_ = nullptr;
};

}  // namespace fw::win32
