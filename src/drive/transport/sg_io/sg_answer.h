// What the kernel answered for one command in the sg v3 form, and how it is judged.
//
// The kernel reports a command in layers, outermost first: the system call
// (errno), the host adapter (host_status: the command never reached the
// drive, or timed out on the bus), the mid-level driver (driver_status: its
// own time-out, or a note that sense data was fetched), the drive's SCSI
// status, and last the sense data and the residual count. An outer layer's
// failure makes the inner fields meaningless, so they are read in that order.
#pragma once

#include <array>
#include <cstdint>

#include "../../command_codes.h"
#include "../command_result.h"
#include "../transport.h"

constexpr std::uint32_t kSgSenseBufferSize = 96;

struct SgIoAnswer {
    int error = 0;                   // errno of the system call that carried it; 0 when the answer came
    std::uint8_t scsiStatus = 0;     // the drive's status byte (sg_io_hdr.status)
    std::uint16_t hostStatus = 0;    // DID_* of the host adapter
    std::uint16_t driverStatus = 0;  // DRIVER_* of the mid-level, suggestion bits included
    std::array<std::uint8_t, kSgSenseBufferSize> sense{};
    std::uint8_t senseLength = 0;  // sb_len_wr: bytes of `sense` the kernel wrote
    std::int32_t residual = 0;     // bytes of the data phase not moved
};

// Host adapter and driver codes as the kernel defines them (scsi.h): only
// those the judgement tells apart.
constexpr std::uint16_t kHostOk = 0x00;
constexpr std::uint16_t kHostTimeOut = 0x03;  // DID_TIME_OUT
constexpr std::uint16_t kDriverMask = 0x0F;   // the low nibble; the high one suggests
constexpr std::uint16_t kDriverOk = 0x00;
constexpr std::uint16_t kDriverTimeOut = 0x06;  // DRIVER_TIMEOUT
constexpr std::uint16_t kDriverSense = 0x08;    // DRIVER_SENSE: sense was fetched

using wire::kScsiGood;
using wire::kScsiCheckCondition;
using wire::kScsiConditionMet;

// Sense data in either format packed as CommandResult packs it; 0 for none,
// for a buffer too short to hold key, ASC and ASCQ, or for sense key 0
// (NO SENSE says nothing went wrong, and the other transports read it so).
std::uint32_t PackSgSense(const SgIoAnswer& answer);

// The one place where an SG_IO answer becomes a CommandResult, layer by
// layer from the outside in:
// - the attempt took the whole time-out: TimedOut, whatever came back (the
//   rule every transport keeps, transport.h);
// - the system call failed: Failed (TimedOut for ETIMEDOUT);
// - host status other than OK: TimedOut for DID_TIME_OUT, else Failed;
// - driver status other than OK or SENSE: TimedOut for DRIVER_TIMEOUT, else Failed;
// - then the drive's own answer, judged as every transport judges it
//   (JudgeAttempt): sense data makes a CheckCondition whatever the status
//   says; GOOD or CONDITION MET is Good; any other status (BUSY,
//   RESERVATION CONFLICT, CHECK CONDITION without sense...) is Failed,
//   since the drive did not do the command (ScsiStatusDone);
// - last the residual: a Good answer moved `length` less the residual, and
//   a residual outside 0..length is a garbled answer: Failed.
// Whether the drive's own answer came back: no outer layer (the system
// call, the host adapter, the mid-level driver) failed the command. When
// one did, the command may or may not have been carried out by the drive.
bool DriveAnswerArrived(const SgIoAnswer& answer);

CommandResult JudgeSgIo(const SgIoAnswer& answer, std::uint32_t length, std::uint32_t timeoutSeconds,
                        double elapsedSeconds);
