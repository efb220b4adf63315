// Turns a manifest into the package to write: images loaded, starts resolved,
// limits checked.
#pragma once

#include "manifest.h"
#include "pack_result.h"
#include "package_model.h"

namespace pack {

// Fails with kBadInput when an image cannot be read and with kRefused, listing
// every refusal, when the updater would misread the package.
Result<PackageModel> PlanPackage(const Manifest& manifest);

}  // namespace pack
