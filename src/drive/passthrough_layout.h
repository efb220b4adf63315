// The pass-through request: a SCSI_PASS_THROUGH_DIRECT record followed by
// room for the sense data, sent as one block to IOCTL_SCSI_PASS_THROUGH_DIRECT.
//
// The platform writes sense at SenseInfoOffset bytes from the start of the
// block, so the offset is taken with offsetof rather than written as a number:
// on the 32-bit target the record is 44 bytes, 4 bytes of filler follow and
// the sense starts at 48 (80 bytes in all); the 64-bit host build has a wider
// record and the same code still points the platform at the right bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "../platform/win32.h"

struct PassThroughRequest {
    SCSI_PASS_THROUGH_DIRECT sptd;
    ULONG filler;
    UCHAR sense[32];
};

constexpr ULONG kPassThroughSenseOffset = offsetof(PassThroughRequest, sense);

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(SCSI_PASS_THROUGH_DIRECT) == 44);
static_assert(offsetof(PassThroughRequest, sense) == 48);
static_assert(sizeof(PassThroughRequest) == 80);
#endif
