// Outcomes of a command as the drive reports them: good with a transfer
// count, or CHECK CONDITION with fixed-format sense data.
#pragma once

#include <cstdint>

#include "drive.h"
#include "drive_config.h"

namespace vdrive::detail {

// The sense codes this drive answers with.
inline constexpr SenseCode kBecomingReady{0x02, 0x04, 0x01};
inline constexpr SenseCode kNoMedium{0x02, 0x3A, 0x00};
inline constexpr SenseCode kPowerOnReset{0x06, 0x29, 0x00};
inline constexpr SenseCode kInvalidOpcode{0x05, 0x20, 0x00};
inline constexpr SenseCode kLbaOutOfRange{0x05, 0x21, 0x00};
inline constexpr SenseCode kInvalidFieldInCdb{0x05, 0x24, 0x00};
inline constexpr SenseCode kInvalidFieldInParameters{0x05, 0x26, 0x00};
inline constexpr SenseCode kCommandSequenceError{0x05, 0x2C, 0x00};
inline constexpr SenseCode kRemovalPrevented{0x05, 0x53, 0x02};
inline constexpr SenseCode kDataPhaseError{0x0B, 0x4B, 0x00};

Outcome Good(std::uint32_t transferred = 0);
Outcome CheckCondition(SenseCode sense);

}  // namespace vdrive::detail
