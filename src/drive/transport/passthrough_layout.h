// The pass-through request: a SCSI_PASS_THROUGH_DIRECT record followed by
// room for the sense data, sent as one block to IOCTL_SCSI_PASS_THROUGH_DIRECT.
//
// The platform writes sense at SenseInfoOffset bytes from the start of the
// block, so the offset is taken with offsetof rather than written as a number.
// The record follows the SDK's natural alignment: on the 32-bit target it is
// 44 bytes, 4 bytes of filler follow and the sense starts at 48 (80 bytes in
// all); on a 64-bit target the data pointer is 8 bytes on an 8-byte boundary,
// the record is 56 bytes and the sense starts at 60 (96 in all). The command
// block, transfer lengths and sense length are the same on both.
#pragma once

#include <cstddef>
#include <cstdint>

#include "../../platform/win32.h"

struct PassThroughRequest {
    SCSI_PASS_THROUGH_DIRECT sptd;
    ULONG filler;
    UCHAR sense[32];
};

constexpr ULONG kPassThroughSenseOffset = offsetof(PassThroughRequest, sense);

// Fields before the data pointer sit alike on every target.
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, ScsiStatus) == 2);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, CdbLength) == 6);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, SenseInfoLength) == 7);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, DataIn) == 8);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, DataTransferLength) == 12);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, TimeOutValue) == 16);
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, DataBuffer) == 20);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, SenseInfoOffset) == 24);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, Cdb) == 28);
static_assert(sizeof(SCSI_PASS_THROUGH_DIRECT) == 44);
static_assert(kPassThroughSenseOffset == 48);
static_assert(sizeof(PassThroughRequest) == 80);
#else
static_assert(sizeof(void*) == 8);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, DataBuffer) == 24);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, SenseInfoOffset) == 32);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, Cdb) == 36);
static_assert(sizeof(SCSI_PASS_THROUGH_DIRECT) == 56);
static_assert(kPassThroughSenseOffset == 60);
static_assert(sizeof(PassThroughRequest) == 96);
#endif

// The discovery records carry no pointer: one layout on every target.
static_assert(sizeof(SCSI_ADDRESS) == 8);
static_assert(offsetof(SCSI_ADDRESS, PathId) == 5);
static_assert(offsetof(SCSI_ADDRESS, Lun) == 7);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, BusType) == 28);
