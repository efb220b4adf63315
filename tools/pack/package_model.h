// What a package holds, in the packer's terms: the input of a build (from a
// manifest) and the output of an inspection (from a block).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "src/package/package_layout.h"

namespace pack {

// One settings string of the block. HOW_MANY_BIN is not among them: the
// packer derives it from the number of banks.
struct SettingKey {
    std::string_view key;        // as in the block, "REBOOT"
    std::string_view name;       // as in the manifest, "reboot"
    std::size_t offset;          // of the settings string
    std::size_t width;           // room for the string and its NUL
    std::int64_t templateValue;  // what a template holds
};

inline constexpr std::array<SettingKey, 9> kSettingKeys{{
    {"N2OMESSAGE", "n2omessage", pkg::kN2oMessageOffset, pkg::kN2oMessageWidth, 0},
    {"CHKDISC", "chkdisc", pkg::kChkDiscOffset, pkg::kChkDiscWidth, 0},
    {"BOOTCODE", "bootcode", pkg::kBootCodeOffset, pkg::kBootCodeWidth, 1},
    {"REBOOT", "reboot", pkg::kRebootOffset, pkg::kRebootWidth, 1},
    {"AUTOMODE", "automode", pkg::kAutoModeOffset, pkg::kAutoModeWidth, 0},
    {"CLOSEAP", "closeap", pkg::kCloseApOffset, pkg::kCloseApWidth, 0},
    {"WARNING", "warning", pkg::kWarningOffset, pkg::kWarningWidth, 1},
    {"ADMIN", "admin", pkg::kAdminOffset, pkg::kAdminWidth, 0},
    {"NBWARNING", "nbwarning", pkg::kNbWarningOffset, pkg::kNbWarningWidth, 0},
}};

using SettingValues = std::array<std::int64_t, kSettingKeys.size()>;

inline SettingValues TemplateSettings() {
    SettingValues values{};
    for (std::size_t i = 0; i < kSettingKeys.size(); ++i) values[i] = kSettingKeys[i].templateValue;
    return values;
}

// Characters of each constraint field that the updater reads.
inline constexpr std::size_t kRevisionUsed = 4;
inline constexpr std::size_t kVendorUsed = 8;
inline constexpr std::size_t kProductUsed = 16;

struct SlotRule {
    bool unfilled = false;  // keeps its placeholder; the other fields are unused
    std::string minRevision;
    std::string maxRevision;
    std::string vendor;
    std::string product;

    bool operator==(const SlotRule&) const = default;
};

struct BankModel {
    std::int64_t start = 0;
    std::vector<std::uint8_t> image;
    std::string newRevision;
    std::vector<SlotRule> slots;  // slots after the last one listed are unfilled
};

struct PackageModel {
    std::string title;
    std::string driveName;
    SettingValues settings = TemplateSettings();
    std::vector<BankModel> banks;
};

}  // namespace pack
