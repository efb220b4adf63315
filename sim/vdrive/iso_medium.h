// The readable disc: a small ISO 9660 volume (a primary volume descriptor,
// the set terminator and an empty root directory) in 2048-byte sectors,
// enough for a host to mount it.
#pragma once

#include <cstdint>
#include <vector>

namespace vdrive::detail {

constexpr std::uint32_t kSectorSize = 2048;

// The whole volume, its size a multiple of kSectorSize.
const std::vector<std::uint8_t>& IsoMedium();

}  // namespace vdrive::detail
