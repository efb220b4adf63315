#include "os_info.h"

#include <cstddef>
#include <cstring>

#include "win32.h"

// The version record holds no pointer: the same 148 bytes for both editions,
// and the size it declares in its first field is how Windows tells it from
// the longer OSVERSIONINFOEXA.
static_assert(sizeof(OSVERSIONINFOA) == 148);
static_assert(offsetof(OSVERSIONINFOA, dwMajorVersion) == 4);
static_assert(offsetof(OSVERSIONINFOA, dwPlatformId) == 16);
static_assert(offsetof(OSVERSIONINFOA, szCSDVersion) == 20);

namespace {

// A failed query leaves the record as prepared: platform id 0 would read as
// the older family, so the record starts out as NT and a failure keeps it.
std::uint8_t QueryNtFamily() {
    OSVERSIONINFOA info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
    info.dwPlatformId = VER_PLATFORM_WIN32_NT;
    GetVersionExA(&info);
    return info.dwPlatformId == VER_PLATFORM_WIN32_NT ? 1 : 0;
}

// Enables the shutdown privilege in the process token. AdjustTokenPrivileges
// reports success even when the token lacks the privilege; only the last
// error (ERROR_NOT_ALL_ASSIGNED) tells, so that is what is tested.
bool EnableShutdownPrivilege() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
        return false;
    }
    TOKEN_PRIVILEGES privileges{};
    bool enabled = false;
    if (LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid)) {
        privileges.PrivilegeCount = 1;
        privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
        enabled = GetLastError() == ERROR_SUCCESS;
    }
    CloseHandle(token);
    return enabled;
}

}  // namespace

OsInfo::OsInfo() : ntFamily(0) { ntFamily = QueryNtFamily(); }

bool OsInfo::ExitSystem(unsigned flags) const {
    if (ntFamily && !EnableShutdownPrivilege()) {
        return false;
    }
    return ExitWindowsEx(flags | EWX_FORCE, 0) != FALSE;
}

bool OsInfo::Restart() const { return ExitSystem(EWX_REBOOT); }
