// Whether this process may flash. The kernel lets anyone with write access
// to /dev/sgN send WRITE BUFFER, so a desktop user in the cdrom group could
// reprogram a drive's firmware by accident; the program asks for what the
// kernel asks of raw block I/O instead: root, or CAP_SYS_RAWIO.
#pragma once

namespace nflash {

struct Privileges {
    bool root = false;   // effective user id 0
    bool rawIo = false;  // CAP_SYS_RAWIO in the effective set

    bool MayFlash() const { return root || rawIo; }
};

// Asked of the kernel itself: geteuid, and capget through libcap. Never
// from text in /proc, which a moved root or a made-up mount could supply.
// Capabilities that cannot be read grant nothing.
Privileges ReadPrivileges();

}  // namespace nflash
