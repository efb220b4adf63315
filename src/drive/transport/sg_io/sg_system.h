// The three operating-system calls the SG_IO transport makes, behind one
// interface: the real ones on a Linux machine, a virtual drive or any error
// the kernel can give in the tests.
#pragma once

#include <scsi/sg.h>

class SgSystem {
public:
    virtual ~SgSystem() = default;
    // open(2): a descriptor, or -errno.
    virtual int Open(const char* path, int flags) = 0;
    // ioctl(fd, SG_IO, &header): 0 when the call returned with the command's
    // answer in `header`, else the errno of the failed call.
    virtual int SgIo(int fd, sg_io_hdr_t& header) = 0;
    virtual void Close(int fd) = 0;
};

// open(2), ioctl(2) and close(2) of this process.
SgSystem& HostSgSystem();
