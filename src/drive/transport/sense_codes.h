// The sense the updater tells apart, packed as CommandResult::sense packs it
// (key << 16 | ASC << 8 | ASCQ). The updater's tests compare key and ASC and
// ignore the qualifier, so the codes below carry qualifier 0.
#pragma once

#include <cstdint>

#include "command_result.h"

constexpr std::uint32_t kLogicalUnitNotReady = 0x020400;  // not ready; becoming ready and the like
constexpr std::uint32_t kMediumNotPresent = 0x023A00;     // not ready, no disc in the drive

constexpr std::uint8_t kSenseKeyUnitAttention = 0x06;
