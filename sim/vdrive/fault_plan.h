// The configured command faults: counting commands by kind and finding the
// fault, if any, that a command runs into.
#pragma once

#include "drive_state.h"

namespace vdrive::detail {

// Counts the command under its kind, then returns the first configured
// fault aimed at it, or nullptr.
const CommandFault* CountAndFindFault(DriveState& state, const DriveConfig& config, CommandKind kind);

// What the host sees of a command that ran into `fault`.
Outcome FaultOutcome(const CommandFault& fault);

// True when the read-back of `piece` in the current pass is to come back corrupt.
bool ReadBackCorrupted(const DriveState& state, const DriveConfig& config, int piece);

}  // namespace vdrive::detail
