// The record of every command block a drive was handed.
#pragma once

#include "drive_state.h"

namespace vdrive::detail {

// Keeps the block, direction and length, and for WRITE BUFFER the data sent,
// so a test can prove which bytes reached the drive.
void RecordCommand(DriveState& state, const Request& request);

}  // namespace vdrive::detail
