// The execute path of SC_EXEC_SCSI_CMD: what a manager takes from the
// caller's block when it accepts the request, the command on the drive, and
// the answer written back into the block.
//
// Everything the caller gave is read once, when the request is accepted:
// from the moment its final status is stored the caller may reuse the
// block, so nothing is read from it after the drive has answered.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "manager_config.h"
#include "sim/vdrive/drive.h"

namespace aspisim {

struct Request {
    SRB_ExecSCSICmd* srb = nullptr;  // the caller's block, the manager's until its status is final
    BYTE adapter = 0;
    BYTE target = 0;
    BYTE lun = 0;
    BYTE flags = 0;                  // SRB_Flags as sent
    std::array<std::uint8_t, 16> cdb{};
    std::size_t cdbLength = 0;       // SRB_CDBLen, at most 16
    vdrive::Direction direction = vdrive::Direction::None;
    std::uint8_t* buffer = nullptr;
    std::uint32_t length = 0;
    HANDLE event = nullptr;          // SRB_PostProc, when the caller asked for SRB_EVENT_NOTIFY
    Device device;                   // the drive and how this request completes
};

// The direction SRB_Flags asks for; nothing for both bits at once.
std::optional<vdrive::Direction> DirectionOf(BYTE flags);

// Reads the block into a request for `device`.
Request Take(SRB_ExecSCSICmd& srb, const Device& device);

// The command on the drive; a slot without a drive gives no answer.
vdrive::Outcome Run(const Request& request);

struct Answer {
    BYTE status = SS_ERR;  // the final SRB_Status, not yet stored
    // On a CHECK CONDITION: how many sense bytes went into SenseArea (up to
    // SRB_SenseLen, never past the record). Empty otherwise.
    std::optional<std::size_t> senseLength;
};

// Writes SRB_HaStat, SRB_TargStat and, on a CHECK CONDITION, the sense.
// SRB_Status is left to Manager::Complete, which stores it last.
Answer WriteAnswer(const Request& request, const vdrive::Outcome& outcome);

}  // namespace aspisim
