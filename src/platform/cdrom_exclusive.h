// The CD-ROM class driver's exclusive access request (Windows Vista and
// later), declared here because not every tool chain's headers carry it.
//
// A program that holds the lock is the only one whose requests reach the
// drive: other handles, the system's media polling and AutoPlay are kept
// away until it unlocks or closes its handle. The lock carries the holder's
// name, which a query returns to everyone else. Systems before Vista do not
// know the request and fail it (ERROR_INVALID_FUNCTION).
#pragma once

#include <cstddef>

#include "win32.h"

namespace cdrom {

// CTL_CODE(FILE_DEVICE_CD_ROM, 0x0017, METHOD_BUFFERED, FILE_READ_ACCESS)
constexpr DWORD kIoctlExclusiveAccess = 0x0002405C;

enum ExclusiveRequest : DWORD {
    kQueryState = 0,
    kLockDevice = 1,
    kUnlockDevice = 2,
};

// Flags of a lock: granted even with a file system mounted on the disc, and
// no media change notifications while it is held.
constexpr DWORD kLockIgnoreVolume = 1u << 0;
constexpr DWORD kNoMediaNotifications = 1u << 1;

constexpr std::size_t kCallerNameLength = 64;

struct ExclusiveAccess {
    DWORD requestType;
    DWORD flags;
};
static_assert(sizeof(ExclusiveAccess) == 8);

// Input of a lock request.
struct ExclusiveLock {
    ExclusiveAccess access;
    BYTE callerName[kCallerNameLength];
};
static_assert(sizeof(ExclusiveLock) == 72);
static_assert(offsetof(ExclusiveLock, callerName) == 8);

// Output of a query: whether the drive is locked, and by whom.
struct ExclusiveLockState {
    BYTE lockState;  // BOOLEAN
    BYTE callerName[kCallerNameLength];
};
static_assert(sizeof(ExclusiveLockState) == 65);
static_assert(offsetof(ExclusiveLockState, callerName) == 1);

}  // namespace cdrom
