#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

#include "sg_system.h"

namespace {

class HostSystem final : public SgSystem {
public:
    int Open(const char* path, int flags) override {
        const int fd = ::open(path, flags);
        return fd >= 0 ? fd : -errno;
    }

    // The caller's thread has every signal it handles blocked (the program
    // takes them on a thread of its own), so the wait inside the ioctl is
    // never cut short: an SG_IO interrupted by a signal would orphan the
    // command in the driver while the drive still runs it.
    int SgIo(int fd, sg_io_hdr_t& header) override { return ::ioctl(fd, SG_IO, &header) == 0 ? 0 : errno; }

    void Close(int fd) override { ::close(fd); }
};

}  // namespace

SgSystem& HostSgSystem() {
    static HostSystem system;
    return system;
}
