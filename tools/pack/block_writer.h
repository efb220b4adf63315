// Writes a package into a block in place, and checks it by reading it back
// the way the updater does.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "package_model.h"
#include "src/package/package_reader.h"

namespace pack {

// Rewrites every field a package owns: title, drive name, constraints,
// settings, banks and the whole image area. The banners, the version and the
// date stay as the build left them. A model without banks gives back the
// template's state.
void WriteBlock(const PackageModel& model, std::uint8_t* block);

// The first value the updater would read differently from `model`.
std::optional<std::string> ReadBackMismatch(const PackageModel& model, const pkg::PackageReader& block);

}  // namespace pack
