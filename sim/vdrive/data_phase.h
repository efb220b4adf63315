// The data phase as the drive sees it. The host names a direction and a
// buffer of `length` bytes; the command block names how much the drive is
// to move. The drive never touches more than the host's buffer, and a
// direction that does not fit the command is a data phase error, which is
// how a drive on a real bus would end such a command.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "drive_state.h"

namespace vdrive::detail {

std::uint32_t Be16(const std::uint8_t* field);
std::uint32_t Be24(const std::uint8_t* field);

// Hands the first `allocation` bytes of `reply` to the host, cut to its buffer.
Outcome SendIn(const Request& request, std::span<const std::uint8_t> reply, std::uint32_t allocation);

// nullopt when the host offers `parameterLength` bytes out; otherwise the
// failed outcome to report.
std::optional<Outcome> CheckDataOut(const Request& request, std::uint32_t parameterLength);

// nullopt when the host asked for no data phase.
std::optional<Outcome> CheckNoData(const Request& request);

}  // namespace vdrive::detail
