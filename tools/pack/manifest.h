// The TOML manifest a package is built from (format in README.md).
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "pack_result.h"
#include "package_model.h"

namespace pack {

struct ManifestBank {
    std::filesystem::path image;  // resolved against the manifest's folder
    std::string newRevision;
    std::optional<std::int64_t> start;  // default: after the previous bank, 16 KiB aligned
    std::vector<SlotRule> slots;
};

struct Manifest {
    std::string title;
    std::string driveName;
    SettingValues settings = TemplateSettings();
    std::vector<ManifestBank> banks;
};

// Parses a manifest. Unknown keys and wrong types are errors, so a typo never
// silently leaves a switch at its template value.
Result<Manifest> ReadManifest(const std::filesystem::path& path);
Result<Manifest> ParseManifest(std::string_view text, const std::filesystem::path& folder);

// The manifest text for `model`, naming its images `imageNames[i]`.
std::string ManifestText(const PackageModel& model, const std::vector<std::string>& imageNames);

}  // namespace pack
