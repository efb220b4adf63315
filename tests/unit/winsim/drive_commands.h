// Command blocks the winsim tests send to a default virtual drive.
#pragma once

#include <array>
#include <cstdint>

// INQUIRY for 96 bytes: always answered by a drive.
inline constexpr std::array<std::uint8_t, 12> kInquiry{0x12, 0, 0, 0, 96, 0, 0, 0, 0, 0, 0, 0};
// An operation code no drive of this model knows: CHECK CONDITION, ILLEGAL REQUEST.
inline constexpr std::array<std::uint8_t, 12> kUnknownCommand{0xEE, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
inline constexpr std::uint8_t kSenseIllegalRequest = 0x05;
