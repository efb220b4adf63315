// One open SCSI generic or optical block device node, closed when dropped.
#pragma once

#include <string>
#include <utility>

#include "sg_system.h"

class SgDeviceFile {
public:
    SgDeviceFile() = default;
    SgDeviceFile(SgSystem& system, int fd) : system_(&system), fd_(fd) {}
    ~SgDeviceFile() { Reset(); }
    SgDeviceFile(SgDeviceFile&& other) noexcept : system_(other.system_), fd_(std::exchange(other.fd_, -1)) {}
    SgDeviceFile& operator=(SgDeviceFile&& other) noexcept {
        if (this != &other) {
            Reset();
            system_ = other.system_;
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    SgDeviceFile(const SgDeviceFile&) = delete;
    SgDeviceFile& operator=(const SgDeviceFile&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    int Fd() const { return fd_; }
    SgSystem& System() const { return *system_; }

private:
    void Reset() {
        if (fd_ >= 0) system_->Close(fd_);
        fd_ = -1;
    }

    SgSystem* system_ = nullptr;
    int fd_ = -1;
};

enum class OpenMode {
    Shared,     // for reading identities: other programs keep their access
    Exclusive,  // for flashing: O_EXCL, so nothing else (an automounter, a
                // burning program) can open the drive until we let go
};

struct OpenedDevice {
    SgDeviceFile file;
    int error = 0;  // errno when the open failed; EBUSY: another program holds it
};

// O_RDWR | O_NONBLOCK (SG_IO needs write access for anything but the
// harmless commands, and a drive without a disc must still open), plus
// O_EXCL in exclusive mode: the sg driver then refuses every other open of
// the node, and the block driver refuses mounts of the optical drive.
OpenedDevice OpenSgDevice(SgSystem& system, const std::string& path, OpenMode mode);
