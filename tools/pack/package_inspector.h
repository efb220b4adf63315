// Reads a block the way the updater does and describes it: for inspect, for
// the summary after a build, and for writing the manifest back.
#pragma once

#include <array>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "pack_result.h"
#include "package_model.h"
#include "src/package/package_reader.h"

namespace pack {

struct InspectedBank {
    std::int32_t start = 0;
    std::int32_t size = 0;
    std::string newRevision;
    std::array<pkg::ConstraintTexts, pkg::kSlotCount> slots;
    std::array<bool, pkg::kSlotCount> unfilled{};
    bool rangeValid = false;  // a positive multiple of 16 KiB inside the image area
};

struct Inspection {
    std::string title;
    std::string version;
    std::string driveName;
    SettingValues settings{};  // as the updater reads them; ADMIN as its digit
    std::uint16_t howManyBin = 0;
    int banksInUse = 0;  // HOW_MANY_BIN, at most 4
    bool isTemplate = false;
    bool imageAreaEmpty = false;
    std::array<InspectedBank, pkg::kBankCount> banks;
    std::vector<std::string> warnings;
};

Inspection Inspect(const pkg::PackageReader& block);

// The whole package as text, one image digest per bank in use.
void PrintInspection(const Inspection& inspection, const pkg::PackageReader& block, std::ostream& out);

// The banks in use, with their images, as a model a manifest can be written
// from. Fails (kRefused) when a bank's image range cannot be extracted.
Result<PackageModel> ToModel(const Inspection& inspection, const pkg::PackageReader& block);

}  // namespace pack
