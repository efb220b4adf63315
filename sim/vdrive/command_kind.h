// Which kind of command a block is, as faults and latencies name them.
#pragma once

#include "drive_state.h"

namespace vdrive::detail {

// The state matters for one case: a control-00 write at 80000h is a loader
// while the drive waits for a loader of the 4-byte-header form, else an image piece.
CommandKind Classify(const Request& request, const DriveState& state);

}  // namespace vdrive::detail
