// What the updater would misread: each refusal names the field and its limit.
#pragma once

#include <string>
#include <vector>

#include "package_model.h"

namespace pack {

inline constexpr std::size_t kTitleMax = 63;       // 64 bytes with the NUL
inline constexpr std::size_t kDriveNameMax = 64;   // 65 bytes with the NUL

// Every refusal for `model`, in field order; empty when it can be packed.
std::vector<std::string> Refusals(const PackageModel& model);

// Things worth knowing that do not stop a build (banks sharing bytes).
std::vector<std::string> Notes(const PackageModel& model);

}  // namespace pack
