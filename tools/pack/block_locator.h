// Finds the package block in a built executable by its key texts, which sit
// at fixed offsets from one another.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "pack_result.h"
#include "src/package/package_reader.h"

namespace pack {

// File offset of the one whole, undamaged block in `file`.
Result<std::size_t> LocateBlock(std::span<const std::uint8_t> file);

// The block as the build left it: the template title, no banks, and the
// image area still holding its marker.
bool IsTemplate(const pkg::PackageReader& block);

}  // namespace pack
