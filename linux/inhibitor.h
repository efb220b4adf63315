// The systemd-logind inhibitor lock held for the whole flash: in block mode,
// for shutdown, sleep, idle, the power, suspend, hibernate and reboot keys
// and the lid switch,
// so neither a menu nor a key nor a closed lid takes the machine down while
// a drive is between its loader and its commit. Where logind cannot be
// reached (no system bus, no logind, refused), the flash goes on with a
// warning: the lock is a guard, not a precondition.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace nflash {

// What every logind knows; the reboot key (logind 251 on) is asked for
// beside it, and left out only where logind refuses the request for it.
constexpr char kInhibitWhat[] =
    "shutdown:sleep:idle:handle-power-key:handle-suspend-key:handle-hibernate-key:handle-lid-switch";
constexpr char kInhibitRebootKey[] = "handle-reboot-key";
constexpr char kInhibitWho[] = "norvek-flash";
constexpr char kInhibitMode[] = "block";

// Owns the descriptor logind handed out; the lock ends when it is closed.
class InhibitorLock {
public:
    explicit InhibitorLock(int fd) : fd_(fd) {}
    ~InhibitorLock();
    InhibitorLock(InhibitorLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    InhibitorLock& operator=(InhibitorLock&& other) noexcept {
        std::swap(fd_, other.fd_);
        return *this;
    }
    InhibitorLock(const InhibitorLock&) = delete;
    InhibitorLock& operator=(const InhibitorLock&) = delete;

private:
    int fd_;
};

struct Inhibition {
    std::optional<InhibitorLock> lock;
    std::string warning;  // why there is no lock
};

// Asks logind on the system bus (DBUS_SYSTEM_BUS_ADDRESS where set) for the
// lock, naming `why` as the reason users see in `systemd-inhibit --list`.
Inhibition TakeInhibitorLock(const std::string& why);

}  // namespace nflash
