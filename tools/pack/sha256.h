// SHA-256, for the image digests that inspect prints and the loader record.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace pack {

std::array<std::uint8_t, 32> Sha256(std::span<const std::uint8_t> data);
std::string Sha256Hex(std::span<const std::uint8_t> data);
std::string DigestHex(const std::array<std::uint8_t, 32>& digest);

}  // namespace pack
