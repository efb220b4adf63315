#include "command_codes.h"
#include "drive_commands.h"

using namespace wire;

// Every block is 12 bytes, the ATAPI packet size, also for commands whose
// standard form is 6 or 10 bytes; the bytes past the standard form stay 0.
// Positions 2, 4, 6, 7, 10 and 11 are part of the table but nothing sends them.
const Cdb CdbTemplate[13] = {
    {kOpGetEventStatus, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {kOpInquiry, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {kOpReadBuffer, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {kOpStartStopUnit, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {kOpStopPlayScan, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {kOpTestUnitReady, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {kOpWriteBuffer, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {kOpWriteBuffer, kWriteBufferMode, kBufferId, 0, 0, 0, 0, 0, 0, kLoaderControl, 0, 0},
    {kOpVendorIdentify, kIdentifySubcode, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {kOpReadBuffer, kReadBufferMode, kBufferId, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {kOpReadBuffer, kReadBufferMode, kBufferId, 0x08, 0, 0, 0, 0, 0, 0, 0, 0},  // offset 080000h
    {kOpVendorF3, 0x04, 0x01, 0x01, 0, 0, 0, 0, 0, 0, 0, 0},
    {kOpWriteBuffer, kWriteBufferMode, kBufferId, 0, 0, 0, 0, 0, 0, 0, 0, 0},
};
