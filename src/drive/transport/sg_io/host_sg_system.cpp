#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>

#include "sg_system.h"

namespace {

constexpr unsigned kScsiGenericMajor = 21;  // SCSI_GENERIC_MAJOR: /dev/sgN

bool IsSgNode(int fd) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 && S_ISCHR(st.st_mode) && major(st.st_rdev) == kScsiGenericMajor;
}

// errno of a call that failed, EIO for one that moved less than a header.
int CallError(ssize_t result) { return result < 0 ? errno : EIO; }

// Why not ioctl(SG_IO) on /dev/sgN: the sg driver waits for the answer
// interruptibly, and a stop signal (Ctrl-Z, SIGSTOP, a debugger attaching,
// a cgroup freeze) cannot be blocked. It cuts the wait short, the driver
// orphans the command while the drive still runs it, and when the process
// continues the kernel restarts the system call, which sends the same
// command again: an image piece written twice, the commit run twice.
// Submitting with write(2) and collecting with read(2) splits the command
// from the wait: write queues it once, poll(2) waits (an interrupted poll
// is simply called again and sends nothing), and read takes the answer. The
// process stays killable while the drive takes its time.
//
// Why not SG_IO on the block node (/dev/srN) or bsg instead: there the wait
// is uninterruptible (the block layer's blk_execute_rq), so nothing is ever
// sent twice, but a drive that hangs holds the process in that wait for the
// command's whole time-out, up to the flash's 30 hours, and not even
// SIGKILL ends it. The block node is used only where it is the only node of
// a drive (no sg driver loaded): it has no write/read interface for
// commands, and a write there would go to the disc.
int Submitted(int fd, sg_io_hdr_t& header) {
    ssize_t sent;
    do {
        sent = ::write(fd, &header, sizeof header);  // fails before queuing, or queues it once
    } while (sent < 0 && errno == EINTR);
    if (sent != static_cast<ssize_t>(sizeof header)) return CallError(sent);

    for (;;) {
        pollfd wait{fd, POLLIN, 0};
        const int ready = ::poll(&wait, 1, -1);  // the command's own time-out ends it in the kernel
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) return errno;
        const ssize_t got = ::read(fd, &header, sizeof header);
        if (got == static_cast<ssize_t>(sizeof header)) return 0;
        if (got < 0 && (errno == EAGAIN || errno == EINTR) && (wait.revents & (POLLHUP | POLLERR)) == 0) continue;
        return got < 0 && errno == EAGAIN ? ENODEV : CallError(got);
    }
}

class HostSystem final : public SgSystem {
public:
    int Open(const char* path, int flags) override {
        const int fd = ::open(path, flags);
        return fd >= 0 ? fd : -errno;
    }

    int SgIo(int fd, sg_io_hdr_t& header) override {
        if (IsSgNode(fd)) return Submitted(fd, header);
        // The block node's SG_IO waits uninterruptibly: never sent twice.
        return ::ioctl(fd, SG_IO, &header) == 0 ? 0 : errno;
    }

    void Close(int fd) override { ::close(fd); }
};

}  // namespace

SgSystem& HostSgSystem() {
    static HostSystem system;
    return system;
}
