#include "sg_device_file.h"

#include <fcntl.h>

OpenedDevice OpenSgDevice(SgSystem& system, const std::string& path, OpenMode mode) {
    int flags = O_RDWR | O_NONBLOCK | O_CLOEXEC;
    if (mode == OpenMode::Exclusive) flags |= O_EXCL;
    const int fd = system.Open(path.c_str(), flags);
    OpenedDevice opened;
    if (fd < 0) {
        opened.error = -fd;
    } else {
        opened.file = SgDeviceFile(system, fd);
    }
    return opened;
}
