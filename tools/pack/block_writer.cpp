#include "block_writer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace pack {
namespace {

// A NUL-padded text filling its whole field.
void PutField(std::uint8_t* at, std::size_t width, const std::string& text) {
    std::memset(at, 0, width);
    std::memcpy(at, text.data(), std::min(text.size(), width - 1));
}

std::uint8_t* SlotAt(std::uint8_t* block, int bank, int slot) {
    return block + pkg::kConstraintsOffset + pkg::kBankStride * bank + pkg::kSlotStride * slot;
}

void PutSlot(std::uint8_t* at, const SlotRule& slot) {
    PutField(at + pkg::kSlotMinRevision, pkg::kSlotRevisionWidth, slot.minRevision);
    PutField(at + pkg::kSlotMaxRevision, pkg::kSlotRevisionWidth, slot.maxRevision);
    PutField(at + pkg::kSlotVendor, pkg::kSlotVendorWidth, slot.vendor);
    PutField(at + pkg::kSlotProduct, pkg::kSlotProductWidth, slot.product);
}

SlotRule Placeholder(int bank, int slot) {
    return SlotRule{false, "#FLSH" + std::to_string(bank + 1) + std::to_string(slot + 1), "#", "#", "#"};
}

void PutConstraints(std::uint8_t* block, const PackageModel& model) {
    for (int b = 0; b < pkg::kBankCount; ++b) {
        for (int s = 0; s < pkg::kSlotCount; ++s) {
            const std::vector<SlotRule>* slots =
                b < static_cast<int>(model.banks.size()) ? &model.banks[b].slots : nullptr;
            const bool given = slots && s < static_cast<int>(slots->size()) && !(*slots)[s].unfilled;
            PutSlot(SlotAt(block, b, s), given ? (*slots)[s] : Placeholder(b, s));
        }
    }
}

void PutSettings(std::uint8_t* block, const PackageModel& model) {
    for (std::size_t i = 0; i < kSettingKeys.size(); ++i) {
        const SettingKey& key = kSettingKeys[i];
        PutField(block + key.offset, key.width, std::string(key.key) + "=" + std::to_string(model.settings[i]));
    }
    PutField(block + pkg::kHowManyBinOffset, pkg::kHowManyBinWidth, "HOW_MANY_BIN=" + std::to_string(model.banks.size()));
}

std::string TenDigits(std::int64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "%010lld", static_cast<long long>(value));
    return text;
}

void PutBanks(std::uint8_t* block, const PackageModel& model) {
    for (int b = 0; b < pkg::kBankCount; ++b) {
        const bool used = b < static_cast<int>(model.banks.size());
        const std::string n = std::to_string(b + 1);
        const std::int64_t start = used ? model.banks[b].start : 0;
        const std::int64_t size = used ? static_cast<std::int64_t>(model.banks[b].image.size()) : 0;
        PutField(block + pkg::kBinStartOffset + pkg::kBinStartStride * b, pkg::kBinStartStride,
                 "BIN_START" + n + "=" + TenDigits(start));
        PutField(block + pkg::kBinSizeOffset + pkg::kBinSizeStride * b, pkg::kBinSizeStride,
                 "BIN_SIZE" + n + "=" + TenDigits(size));
        PutField(block + pkg::kNewFwOffset + pkg::kNewFwStride * b, pkg::kNewFwStride,
                 "NEW_FW" + n + "=" + (used ? model.banks[b].newRevision : std::string("N/A ")));
    }
}

// Bytes outside every image are zero, so an image that starts later than 0
// does not leave the marker in place (which would read as "no firmware").
void PutImageArea(std::uint8_t* block, const PackageModel& model) {
    std::uint8_t* area = block + pkg::kImageAreaOffset;
    std::memset(area, 0, pkg::kImageAreaSize);
    if (model.banks.empty()) {
        static constexpr char kMarker[] = "BANK_START_FROM_HERE";
        std::memcpy(area, kMarker, sizeof kMarker - 1);
    }
    for (const BankModel& bank : model.banks) {
        std::memcpy(area + bank.start, bank.image.data(), bank.image.size());
    }
}

std::string Q(const std::string& text) { return "\"" + text + "\""; }

std::optional<std::string> SlotMismatch(const PackageModel& model, const pkg::PackageReader& block, int b) {
    const std::vector<SlotRule>& slots = model.banks[b].slots;
    for (int s = 0; s < static_cast<int>(slots.size()); ++s) {
        const pkg::ConstraintTexts read = block.Constraint(b, s);
        const bool unfilled = pkg::PackageReader::IsUnfilledSlot(read);
        const SlotRule& want = slots[s];
        if (want.unfilled != unfilled ||
            (!want.unfilled && (read.minRevision != want.minRevision || read.maxRevision != want.maxRevision ||
                                read.vendor != want.vendor || read.product != want.product))) {
            return "bank " + std::to_string(b + 1) + " slot " + std::to_string(s + 1) + " reads differently";
        }
    }
    return std::nullopt;
}

std::optional<std::string> BankMismatch(const PackageModel& model, const pkg::PackageReader& block, int b) {
    const BankModel& bank = model.banks[b];
    const std::string where = "bank " + std::to_string(b + 1);
    if (block.BinStart(b) != bank.start) return where + " start reads as " + std::to_string(block.BinStart(b));
    if (block.BinSize(b) != static_cast<std::int64_t>(bank.image.size())) {
        return where + " size reads as " + std::to_string(block.BinSize(b));
    }
    if (block.NewRevision(b) != bank.newRevision) return where + " new revision reads as " + Q(block.NewRevision(b));
    if (std::memcmp(block.ImageArea() + bank.start, bank.image.data(), bank.image.size()) != 0) {
        return where + " image reads back differently";
    }
    return SlotMismatch(model, block, b);
}

}  // namespace

void WriteBlock(const PackageModel& model, std::uint8_t* block) {
    PutField(block + pkg::kTitleOffset, pkg::kTitleWidth, model.title);
    PutField(block + pkg::kDriveNameOffset, pkg::kDriveNameWidth, model.driveName);
    PutConstraints(block, model);
    PutSettings(block, model);
    PutBanks(block, model);
    PutImageArea(block, model);
}

std::optional<std::string> ReadBackMismatch(const PackageModel& model, const pkg::PackageReader& block) {
    if (block.Title() != model.title) return "title reads as " + Q(block.Title());
    if (block.DriveName() != model.driveName) return "drive name reads as " + Q(block.DriveName());
    for (std::size_t i = 0; i < kSettingKeys.size(); ++i) {
        const SettingKey& key = kSettingKeys[i];
        const std::int64_t read =
            key.offset == pkg::kAdminOffset ? (block.AdminRequested() ? 1 : 0) : block.SettingAt(key.offset);
        const std::int64_t want =
            key.offset == pkg::kAdminOffset ? (model.settings[i] == 1 ? 1 : 0) : model.settings[i];
        if (read != want) return std::string(key.key) + " reads as " + std::to_string(read);
    }
    if (block.HowManyBin() != model.banks.size()) return "HOW_MANY_BIN reads as " + std::to_string(block.HowManyBin());
    if (!model.banks.empty() && block.ImageAreaEmpty()) {
        return "the image area begins with \"BANK_START_FROM_HER\", so the updater would find no firmware";
    }
    for (int b = 0; b < static_cast<int>(model.banks.size()); ++b) {
        if (auto mismatch = BankMismatch(model, block, b)) return mismatch;
    }
    return std::nullopt;
}

}  // namespace pack
