// Big-endian field writers for command blocks: multi-byte fields inside a
// command block are stored most significant byte first.
#pragma once

#include <cstdint>

// The low 16 bits of value into at[0..1].
inline void PutBe16(std::uint8_t* at, std::uint32_t value) {
    at[0] = static_cast<std::uint8_t>(value >> 8);
    at[1] = static_cast<std::uint8_t>(value);
}

// The low 24 bits of value into at[0..2].
inline void PutBe24(std::uint8_t* at, std::uint32_t value) {
    at[0] = static_cast<std::uint8_t>(value >> 16);
    at[1] = static_cast<std::uint8_t>(value >> 8);
    at[2] = static_cast<std::uint8_t>(value);
}
