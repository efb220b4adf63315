#include "single_instance.h"

#include "../platform/win32.h"

#ifdef _WIN32

namespace {

// The updater runs elevated, so it may create a name in the global
// namespace, which a copy started in another session also sees. Where that
// is refused the session-local name still keeps two copies of one user apart.
// The last error is read at once: anything called in between may reset it.
bool AnotherCopyHoldsTheMutex() {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, "Global\\NorvekFirmwareUpdater.Running");
    if (mutex == nullptr) mutex = CreateMutexA(nullptr, FALSE, "Local\\NorvekFirmwareUpdater.Running");
    // The handle stays open, deliberately, until the process ends.
    return mutex != nullptr && GetLastError() == ERROR_ALREADY_EXISTS;
}

void BringRunningCopyToFront() {
    HWND window = FindWindowA("NorvekForm", nullptr);
    if (window == nullptr) return;
    if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
    SetForegroundWindow(window);
}

}  // namespace

bool ClaimSingleInstance(bool showRunningCopy) {
    if (AnotherCopyHoldsTheMutex()) {
        if (showRunningCopy) BringRunningCopyToFront();
        return false;
    }
    return true;
}

#else

// The host build runs inside tests, one simulated machine per process.
bool ClaimSingleInstance(bool) { return true; }

#endif
