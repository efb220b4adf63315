// The version query, the process token, the administrator test and the restart request.
#include <cstring>
#include <strings.h>

#include "machine_state.h"

namespace {

constexpr DWORD kErrorCallNotImplemented = 120;
constexpr DWORD kErrorNoSuchPrivilege = 1313;
constexpr DWORD kErrorPrivilegeNotHeld = 1314;
constexpr DWORD kShutdownPrivilegeLuid = 19;
constexpr DWORD kVersionInfoExSize = 156;

HANDLE CurrentProcessPseudoHandle() {
    return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));
}

void FillVersion(OSVERSIONINFOA& info, sim::Platform platform) {
    std::memset(info.szCSDVersion, 0, sizeof info.szCSDVersion);
    if (platform == sim::Platform::Nt) {
        info.dwMajorVersion = 5;
        info.dwMinorVersion = 1;
        info.dwBuildNumber = 2600;
        info.dwPlatformId = VER_PLATFORM_WIN32_NT;
        std::strcpy(info.szCSDVersion, "Service Pack 3");
    } else {
        // The older family packs major, minor and build into the build field.
        info.dwMajorVersion = 4;
        info.dwMinorVersion = 10;
        info.dwBuildNumber = 0x040A08AE;
        info.dwPlatformId = VER_PLATFORM_WIN32_WINDOWS;
        std::strcpy(info.szCSDVersion, " A");
    }
}

}  // namespace

BOOL WINAPI GetVersionExA(LPOSVERSIONINFOA info) {
    auto& s = sim::machine().state();
    std::lock_guard lock(s.mutex);
    if (!info) {
        sim::SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // The platform reads the size field to tell the plain record from the
    // extended one; anything else is refused, as a caller that forgot to
    // set it would find on Windows.
    const DWORD size = info->dwOSVersionInfoSize;
    if (s.platform == sim::Platform::VersionQueryFails ||
        (size != sizeof(OSVERSIONINFOA) && size != kVersionInfoExSize)) {
        sim::SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    FillVersion(*info, s.platform);
    if (size == kVersionInfoExSize)
        std::memset(reinterpret_cast<BYTE*>(info) + sizeof(OSVERSIONINFOA), 0,
                    kVersionInfoExSize - sizeof(OSVERSIONINFOA));
    return TRUE;
}

HANDLE WINAPI GetCurrentProcess() { return CurrentProcessPseudoHandle(); }

BOOL WINAPI OpenProcessToken(HANDLE process, DWORD access, PHANDLE token) {
    auto& s = sim::machine().state();
    std::lock_guard lock(s.mutex);
    if (s.platform == sim::Platform::Older) {
        sim::SetError(kErrorCallNotImplemented);
        return FALSE;
    }
    if (process != CurrentProcessPseudoHandle() || !token) {
        sim::SetError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (s.openTokenFails) {
        sim::SetError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    ++s.privileges.tokensOpened;
    s.privileges.lastTokenAccess = access;
    sim::HandleEntry entry;
    entry.kind = sim::HandleKind::Token;
    entry.access = access;
    *token = s.NewHandle(entry);
    return TRUE;
}

BOOL WINAPI LookupPrivilegeValueA(LPCSTR systemName, LPCSTR name, PLUID luid) {
    auto& s = sim::machine().state();
    std::lock_guard lock(s.mutex);
    ++s.privileges.lookups;
    if (s.platform == sim::Platform::Older) {
        sim::SetError(kErrorCallNotImplemented);
        return FALSE;
    }
    if (!name || !luid || (systemName && *systemName)) {
        sim::SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (s.lookupFails || strcasecmp(name, SE_SHUTDOWN_NAME) != 0) {
        sim::SetError(kErrorNoSuchPrivilege);
        return FALSE;
    }
    luid->LowPart = kShutdownPrivilegeLuid;
    luid->HighPart = 0;
    return TRUE;
}

// Succeeds whenever the token and record are usable, even if a privilege the
// token lacks was asked for: only the last error (ERROR_NOT_ALL_ASSIGNED)
// tells the caller, and it is cleared otherwise.
BOOL WINAPI AdjustTokenPrivileges(HANDLE token, BOOL disableAll, PTOKEN_PRIVILEGES newState,
                                  DWORD, PTOKEN_PRIVILEGES, DWORD* returnLength) {
    auto& s = sim::machine().state();
    std::lock_guard lock(s.mutex);
    ++s.privileges.adjustments;
    const sim::HandleEntry* entry = s.FindHandle(token, sim::HandleKind::Token);
    if (!entry) {
        sim::SetError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if ((entry->access & TOKEN_ADJUST_PRIVILEGES) == 0) {
        sim::SetError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (disableAll) {
        s.privileges.shutdownEnabled = false;
        sim::SetError(ERROR_SUCCESS);
        return TRUE;
    }
    if (!newState) {
        sim::SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (returnLength) *returnLength = 0;
    bool allAssigned = true;
    // Only one privilege exists on this machine; the record declares room for
    // one, and a larger count would mean reading past the caller's record.
    if (newState->PrivilegeCount > 1) allAssigned = false;
    if (newState->PrivilegeCount >= 1) {
        const LUID_AND_ATTRIBUTES& privilege = newState->Privileges[0];
        const bool isShutdown =
            privilege.Luid.LowPart == kShutdownPrivilegeLuid && privilege.Luid.HighPart == 0;
        if (!isShutdown || !s.privilegeHeld) {
            allAssigned = false;
        } else {
            s.privileges.shutdownEnabled = (privilege.Attributes & SE_PRIVILEGE_ENABLED) != 0;
        }
    }
    sim::SetError(allAssigned ? ERROR_SUCCESS : ERROR_NOT_ALL_ASSIGNED);
    return TRUE;
}

// The NT family refuses a restart unless the caller enabled the shutdown
// privilege first; the older family has no privileges.
BOOL WINAPI ExitWindowsEx(UINT flags, DWORD reason) {
    auto& s = sim::machine().state();
    std::lock_guard lock(s.mutex);
    sim::ExitRequest request{flags, reason, false};
    DWORD error = ERROR_SUCCESS;
    if (s.exitFails) {
        error = ERROR_ACCESS_DENIED;
    } else if (s.platform != sim::Platform::Older && !s.privileges.shutdownEnabled) {
        error = kErrorPrivilegeNotHeld;
    } else {
        request.accepted = true;
    }
    s.exits.push_back(request);
    if (!request.accepted) sim::SetError(error);
    return request.accepted ? TRUE : FALSE;
}

BOOL WINAPI IsUserAnAdmin() {
    auto& s = sim::machine().state();
    std::lock_guard lock(s.mutex);
    return s.administrator ? TRUE : FALSE;
}
