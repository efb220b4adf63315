// One handler per command family. Each runs a command that got past the
// fault plan and the unit attention check, and may change the drive's state.
#pragma once

#include <optional>

#include "drive_state.h"

namespace vdrive::detail {

// identity.cpp
Outcome Inquiry(const DriveState& state, const DriveConfig& config, const Request& request);
Outcome VendorIdentify(const DriveConfig& config, const Request& request);

// readiness.cpp
// The unit attention to report instead of running this command, if any.
std::optional<Outcome> TakeUnitAttention(DriveState& state, const DriveConfig& config, const Request& request);
Outcome TestUnitReady(DriveState& state, const DriveConfig& config, const Request& request);
double ClockSeconds(const DriveConfig& config);

// tray.cpp
Outcome StartStopUnit(DriveState& state, const DriveConfig& config, const Request& request);
Outcome GetEventStatus(const DriveState& state, const DriveConfig& config, const Request& request);

// download_buffer.cpp
Outcome WriteBuffer(DriveState& state, const DriveConfig& config, const Request& request, CommandKind kind);
Outcome ReadBuffer(const DriveState& state, const DriveConfig& config, const Request& request);

// host_probe.cpp
// What the host's drivers ask at probe (the capabilities page, the
// profiles) and, from a readable disc, its capacity and sectors; every
// other command of kind Other is refused as unknown.
Outcome HostProbe(const DriveState& state, const DriveConfig& config, const Request& request);

}  // namespace vdrive::detail
