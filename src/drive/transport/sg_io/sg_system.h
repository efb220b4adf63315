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
    // One command in the sg v3 form (sg_io_hdr), sent to the drive at most
    // once and answered in `header`: 0 when the answer is there, else the
    // errno of the call that failed.
    virtual int SgIo(int fd, sg_io_hdr_t& header) = 0;
    virtual void Close(int fd) = 0;
};

// open(2) and close(2) of this process; commands through write(2), poll(2)
// and read(2) on an sg node, through ioctl(SG_IO) on a block node
// (host_sg_system.cpp says why).
SgSystem& HostSgSystem();
