// A drive locked for this program alone while it is flashed, where the
// system can lock one (the CD-ROM class driver's exclusive access, Vista and
// later): no other program, no media polling and no AutoPlay can put a
// command between the download and the commit.
#pragma once

#include <string>
#include <utility>

#include "../platform/win32.h"

// The caller name the lock carries; other programs see it in a query.
inline constexpr char kExclusiveCallerName[] = "NorvekFirmwareUpdater";

enum class LockOutcome {
    Locked,        // held until Release or destruction
    Unsupported,   // the system has no such lock: nothing held, the drive is used shared
    HeldByOther,   // another program holds the drive: it must not be flashed
};

class ExclusiveDriveLock {
public:
    ExclusiveDriveLock() = default;
    // Unlocks. Must run before the device handle is closed.
    ~ExclusiveDriveLock() { Release(); }
    ExclusiveDriveLock(const ExclusiveDriveLock&) = delete;
    ExclusiveDriveLock& operator=(const ExclusiveDriveLock&) = delete;
    // The lock moves with the object; the one moved from holds nothing.
    ExclusiveDriveLock(ExclusiveDriveLock&& other) noexcept
        : device_(std::exchange(other.device_, nullptr)), holder_(std::move(other.holder_)) {}
    ExclusiveDriveLock& operator=(ExclusiveDriveLock&& other) noexcept {
        if (this != &other) {
            Release();
            device_ = std::exchange(other.device_, nullptr);
            holder_ = std::move(other.holder_);
        }
        return *this;
    }

    // Asks for `device` (an open CD-ROM device, not owned). With HeldByOther
    // the holder's name, as the system gives it, is in Holder() (may be empty).
    LockOutcome Take(HANDLE device);
    void Release();
    const std::string& Holder() const { return holder_; }

private:
    HANDLE device_ = nullptr;  // locked by us
    std::string holder_;
};
