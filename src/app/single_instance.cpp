#include "single_instance.h"

#include "../platform/win32.h"

#ifdef _WIN32

namespace {

// The updater runs elevated, so it may create a name in the global
// namespace, which a copy started in another session also sees. Where that
// is refused the session-local name still keeps two copies of one user apart.
HANDLE CreateInstanceMutex() {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, "Global\\NorvekFirmwareUpdater.Running");
    if (mutex == nullptr) mutex = CreateMutexA(nullptr, FALSE, "Local\\NorvekFirmwareUpdater.Running");
    return mutex;
}

void BringRunningCopyToFront() {
    HWND window = FindWindowA("NorvekForm", nullptr);
    if (window == nullptr) return;
    if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
    SetForegroundWindow(window);
}

}  // namespace

bool ClaimSingleInstance() {
    // Held, deliberately, until the process ends: the system releases it then.
    static HANDLE mutex = CreateInstanceMutex();
    if (mutex != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
        BringRunningCopyToFront();
        return false;
    }
    return true;
}

#else

// The host build runs inside tests, one simulated machine per process.
bool ClaimSingleInstance() { return true; }

#endif
