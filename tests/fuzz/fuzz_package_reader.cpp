// Fuzzes the package reader over a block whose leading bytes come from the
// input: every reader, the settings drawn from it, and the matching of one
// drive whose identity also comes from the input.
//
// Input: 32 bytes of drive (revision 4, vendor 8, product 16, present,
// N2OMESSAGE, HOW_MANY_BIN as two bytes), then bytes written over the
// template block from offset 0 (the fields, then the start of the image area).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "src/app/table_matching.h"
#include "src/package/package_reader.h"
#include "src/package/settings.h"

namespace {

using fuzz::Require;

constexpr std::size_t kRevisionUsed = 4;
constexpr std::size_t kVendorUsed = 8;
constexpr std::size_t kProductUsed = 16;
constexpr std::size_t kDriveBytes = kRevisionUsed + kVendorUsed + kProductUsed + 4;

constexpr std::size_t kSettingOffsets[] = {
    pkg::kN2oMessageOffset, pkg::kChkDiscOffset, pkg::kBootCodeOffset, pkg::kRebootOffset,
    pkg::kAutoModeOffset,   pkg::kCloseApOffset, pkg::kWarningOffset,  pkg::kAdminOffset,
    pkg::kNbWarningOffset,  pkg::kHowManyBinOffset,
};

// One block for the whole run: only the bytes an input overwrote are put
// back, so an input costs its own length rather than a 1 MiB copy.
std::vector<std::uint8_t>& Block() {
    static std::vector<std::uint8_t> block(pkg::EmbeddedBlock(), pkg::EmbeddedBlock() + pkg::kBlockSize);
    return block;
}

void CheckTexts(const pkg::PackageReader& reader) {
    Require(reader.Title().size() <= pkg::kTitleWidth, "title within its field");
    Require(reader.Version().size() <= pkg::kBanner2Offset - pkg::kVersionOffset, "version within its field");
    Require(reader.DriveName().size() <= pkg::kDriveNameWidth, "drive name within its field");
    for (std::size_t offset : kSettingOffsets) Require(reader.SettingAt(offset) <= 9, "a setting is one digit");
    Require(reader.HowManyBin() <= 9, "HOW_MANY_BIN is one digit");
}

// Banks and slots one past each end must read as empty, never out of the block.
void CheckConstraints(const pkg::PackageReader& reader) {
    for (int bank = -1; bank <= pkg::kBankCount; ++bank) {
        const bool bankExists = bank >= 0 && bank < pkg::kBankCount;
        for (int slot = -1; slot <= pkg::kSlotCount; ++slot) {
            const pkg::ConstraintTexts k = reader.Constraint(bank, slot);
            Require(k.minRevision.size() <= 4 && k.maxRevision.size() <= 4, "revisions cut to 4");
            Require(k.vendor.size() <= kVendorUsed && k.product.size() <= kProductUsed, "identity cut to 8 and 16");
            const bool slotExists = bankExists && slot >= 0 && slot < pkg::kSlotCount;
            if (!slotExists) Require(k.vendor.empty() && k.minRevision.empty(), "no slot outside the table");
        }
        const std::int32_t start = reader.BinStart(bank);
        const std::int32_t size = reader.BinSize(bank);
        if (!bankExists) Require(start == 0 && size == 0, "no bank outside the four");
        Require(reader.NewRevision(bank).size() <= pkg::kNewFwStride - (pkg::kNewFwValue - pkg::kNewFwOffset),
                "new revision within its field");
        Require(reader.NewRevision4(bank).size() <= 4, "compared revision cut to 4");
    }
}

void CheckSettings(const pkg::PackageReader& reader) {
    ReadSettings(reader);
    const Settings& s = CurrentSettings();
    const int banks = pkg::BanksInUse(s.howManyBin);
    Require(banks >= 0 && banks <= pkg::kBankCount, "at most four banks iterated");
    Require(s.admin == (reader.Block()[pkg::kAdminValueOffset] == '1'), "ADMIN read from its one character");
}

DriveEntry EntryFrom(const std::uint8_t* data) {
    DriveEntry entry{};
    std::memcpy(entry.revision, data, kRevisionUsed);
    std::memcpy(entry.vendor, data + kRevisionUsed, kVendorUsed);
    std::memcpy(entry.product, data + kRevisionUsed + kVendorUsed, kProductUsed);
    entry.present = data[kDriveBytes - 4];
    return entry;
}

void CheckMatching(const pkg::PackageReader& reader, const std::uint8_t* drive) {
    DriveEntry entry = EntryFrom(drive);
    const std::uint8_t n2oMessage = drive[kDriveBytes - 3];
    const std::uint16_t howManyBin = static_cast<std::uint16_t>(drive[kDriveBytes - 2] << 8 | drive[kDriveBytes - 1]);
    // As the Settings read it: the flag is on only at 1.
    Settings settings;
    settings.howManyBin = howManyBin;
    settings.n2oMessage = n2oMessage == 1;
    MatchEntry(entry, reader, settings);
    Require(entry.matched <= 1, "matched is a flag");
    if (entry.present != 1 || reader.ImageAreaEmpty()) Require(entry.matched == 0, "nothing matched without firmware");
    if (entry.matched == 0) return;
    Require(entry.bank < pkg::BanksInUse(howManyBin), "matched bank is one in use");
    Require(entry.upToDate <= 1, "upToDate is a flag");
    if (n2oMessage != 1) Require(entry.upToDate == 0, "up to date only with N2OMESSAGE=1");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < kDriveBytes) return 0;
    std::vector<std::uint8_t>& block = Block();
    const std::size_t overlay = std::min(size - kDriveBytes, pkg::kBlockSize);
    std::memcpy(block.data(), data + kDriveBytes, overlay);

    const pkg::PackageReader reader(block.data());
    CheckTexts(reader);
    CheckConstraints(reader);
    CheckSettings(reader);
    CheckMatching(reader, data);

    std::memcpy(block.data(), pkg::EmbeddedBlock(), overlay);
    return 0;
}
