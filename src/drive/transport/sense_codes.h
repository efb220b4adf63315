// The sense the updater tells apart, packed as CommandResult::sense packs it
// (key << 16 | ASC << 8 | ASCQ), and the keys alone.
#pragma once

#include <cstdint>

constexpr std::uint8_t kSenseKeyNotReady = 0x02;
constexpr std::uint8_t kSenseKeyUnitAttention = 0x06;

constexpr std::uint32_t kBecomingReady = 0x020401;       // not ready, in process of becoming ready
constexpr std::uint32_t kMediumNotPresent = 0x023A00;    // not ready, medium not present

// Key and ASC of a packed sense, without the qualifier.
constexpr std::uint32_t SenseKeyAndAsc(std::uint32_t sense) { return sense & 0xFFFF00; }
