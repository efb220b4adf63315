#include "single_instance.h"

#include <string>

#include "../platform/win32.h"

namespace {

// The updater runs elevated, so it may create a name in the global
// namespace, which a copy started in another session also sees. Where that
// is refused the session-local name still keeps two copies of one user apart.
// The older family and NT4 know no namespaces and refuse a backslash in the
// name: there the plain name is the machine's one namespace.
// The last error is read at once: anything called in between may reset it.
bool AnotherCopyHoldsTheMutex() {
    const std::string name = "NorvekFirmwareUpdater.Running";
    HANDLE mutex = nullptr;
    for (const char* space : {"Global\\", "Local\\", ""}) {
        mutex = CreateMutexA(nullptr, FALSE, (space + name).c_str());
        if (mutex != nullptr) break;
    }
    // The handle stays open, deliberately, until the process ends.
    return mutex != nullptr && GetLastError() == ERROR_ALREADY_EXISTS;
}

#ifdef _WIN32
void BringRunningCopyToFront() {
    HWND window = FindWindowA("NorvekForm", nullptr);
    if (window == nullptr) return;
    if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
    SetForegroundWindow(window);
}
#else
// The host build has no windows of other processes to look for.
void BringRunningCopyToFront() {}
#endif

}  // namespace

bool ClaimSingleInstance(bool showRunningCopy) {
    if (AnotherCopyHoldsTheMutex()) {
        if (showRunningCopy) BringRunningCopyToFront();
        return false;
    }
    return true;
}
