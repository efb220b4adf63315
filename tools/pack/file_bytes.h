// Whole-file reads and all-or-nothing writes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

#include "pack_result.h"

namespace pack {

Result<std::vector<std::uint8_t>> ReadFileBytes(const std::filesystem::path& path);

// Writes to a temporary file beside `path` and renames it into place, so a
// failure leaves no half-written output. The permissions of `permissionsFrom`
// (when given) are copied, so a packed executable stays executable.
std::optional<Error> WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                                         const std::filesystem::path* permissionsFrom = nullptr);

}  // namespace pack
