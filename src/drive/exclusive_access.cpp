#include "exclusive_access.h"

#include <cstring>

#include "../platform/cdrom_exclusive.h"

namespace {

bool Request(HANDLE device, DWORD type) {
    cdrom::ExclusiveLock lock{};
    lock.access.requestType = type;
    lock.access.flags = type == cdrom::kLockDevice ? cdrom::kLockIgnoreVolume | cdrom::kNoMediaNotifications : 0;
    std::memcpy(lock.callerName, kExclusiveCallerName, sizeof kExclusiveCallerName);
    DWORD returned = 0;
    return DeviceIoControl(device, cdrom::kIoctlExclusiveAccess, &lock, sizeof lock, nullptr, 0,
                           &returned, nullptr) != FALSE;
}

// The name the current holder gave, when the system tells.
std::string QueryHolder(HANDLE device) {
    cdrom::ExclusiveAccess query{cdrom::kQueryState, 0};
    cdrom::ExclusiveLockState state{};
    DWORD returned = 0;
    if (!DeviceIoControl(device, cdrom::kIoctlExclusiveAccess, &query, sizeof query, &state,
                         sizeof state, &returned, nullptr) ||
        !state.lockState)
        return {};
    const auto* name = reinterpret_cast<const char*>(state.callerName);
    return std::string(name, strnlen(name, sizeof state.callerName));
}

}  // namespace

// Only a refusal for access means someone else holds the drive; any other
// failure is a system or driver without the request, where the drive is
// used shared as it always was.
LockOutcome ExclusiveDriveLock::Take(HANDLE device) {
    Release();
    holder_.clear();
    if (device == nullptr || device == INVALID_HANDLE_VALUE) return LockOutcome::Unsupported;
    if (Request(device, cdrom::kLockDevice)) {
        device_ = device;
        return LockOutcome::Locked;
    }
    if (GetLastError() != ERROR_ACCESS_DENIED) return LockOutcome::Unsupported;
    holder_ = QueryHolder(device);
    return LockOutcome::HeldByOther;
}

void ExclusiveDriveLock::Release() {
    if (device_ == nullptr) return;
    Request(device_, cdrom::kUnlockDevice);
    device_ = nullptr;
}
