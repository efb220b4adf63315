// Plain reads of the package block at fixed positions. Every text is bounded
// by its field width, so a damaged block without a NUL never makes a read
// run into the next field.

#include "package_reader.h"

#include <array>
#include <atomic>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace pkg {
namespace {

// Width of each settings string, the room up to the next field.
struct SettingField {
    std::size_t offset;
    std::size_t width;
};
constexpr std::array<SettingField, 10> kSettingFields{{
    {kN2oMessageOffset, kN2oMessageWidth},
    {kChkDiscOffset, kChkDiscWidth},
    {kBootCodeOffset, kBootCodeWidth},
    {kRebootOffset, kRebootWidth},
    {kAutoModeOffset, kAutoModeWidth},
    {kCloseApOffset, kCloseApWidth},
    {kWarningOffset, kWarningWidth},
    {kAdminOffset, kAdminWidth},
    {kNbWarningOffset, kNbWarningWidth},
    {kHowManyBinOffset, kHowManyBinWidth},
}};

constexpr std::size_t kSettingsEnd = kBinStartOffset;
constexpr std::size_t kBinStartValueWidth = kBinStartStride - (kBinStartValue - kBinStartOffset);
constexpr std::size_t kBinSizeValueWidth = kBinSizeStride - (kBinSizeValue - kBinSizeOffset);
constexpr std::size_t kNewFwValueWidth = kNewFwStride - (kNewFwValue - kNewFwOffset);

std::size_t SettingWidth(std::size_t offset) {
    for (const SettingField& field : kSettingFields) {
        if (field.offset == offset) return field.width;
    }
    return offset < kSettingsEnd ? kSettingsEnd - offset : 0;
}

// The text up to its first NUL, or `limit` characters: what "%.Ns" and a
// bounded strlen both give.
std::string BoundedText(const std::uint8_t* at, std::size_t limit) {
    const char* text = reinterpret_cast<const char*>(at);
    const void* nul = std::memchr(text, '\0', limit);
    const std::size_t length = nul ? static_cast<const char*>(nul) - text : limit;
    return std::string(text, length);
}

// strtol as the updater's 32-bit platform does it: out-of-range values
// saturate at the limits of a signed 32-bit long.
std::int32_t ParseLong32(const std::string& text) {
    const long value = std::strtol(text.c_str(), nullptr, 10);
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<std::int32_t>(value);
}

// A setting's value is the last character of its text, converted on its own:
// a digit gives its value, anything else 0. The key before it is not read.
long LastCharValue(const std::uint8_t* block, std::size_t offset) {
    const std::string text = BoundedText(block + offset, SettingWidth(offset));
    if (text.empty()) return 0;
    const char last[2] = {text.back(), '\0'};
    return std::strtol(last, nullptr, 10);
}

bool BankInRange(int bank) { return bank >= 0 && bank < kBankCount; }

std::atomic<const std::uint8_t*> gActiveBlock{nullptr};

}  // namespace

std::string PackageReader::Title() const { return BoundedText(block_ + kTitleOffset, kTitleWidth); }

std::string PackageReader::Version() const {
    return BoundedText(block_ + kVersionOffset, kBanner2Offset - kVersionOffset);
}

std::string PackageReader::DriveName() const {
    return BoundedText(block_ + kDriveNameOffset, kDriveNameWidth);
}

std::uint8_t PackageReader::SettingAt(std::size_t offset) const {
    return static_cast<std::uint8_t>(LastCharValue(block_, offset));
}

std::uint16_t PackageReader::HowManyBin() const {
    return static_cast<std::uint16_t>(LastCharValue(block_, kHowManyBinOffset));
}

bool PackageReader::AdminRequested() const { return block_[kAdminValueOffset] == '1'; }

ConstraintTexts PackageReader::Constraint(int bank, int slot) const {
    if (!BankInRange(bank) || slot < 0 || slot >= kSlotCount) return {};
    const std::uint8_t* at = block_ + kConstraintsOffset + kBankStride * bank + kSlotStride * slot;
    return ConstraintTexts{
        BoundedText(at + kSlotMinRevision, kRevisionChars),
        BoundedText(at + kSlotMaxRevision, kRevisionChars),
        BoundedText(at + kSlotVendor, kVendorChars),
        BoundedText(at + kSlotProduct, kProductChars),
    };
}

bool PackageReader::IsUnfilledSlot(const ConstraintTexts& slot) {
    return slot.minRevision.starts_with("#FLS") && slot.vendor.starts_with('#') &&
           slot.maxRevision.starts_with('#') && slot.product.starts_with('#');
}

std::int32_t PackageReader::BinStart(int bank) const {
    if (!BankInRange(bank)) return 0;
    return ParseLong32(BoundedText(block_ + kBinStartValue + kBinStartStride * bank, kBinStartValueWidth));
}

std::int32_t PackageReader::BinSize(int bank) const {
    if (!BankInRange(bank)) return 0;
    return ParseLong32(BoundedText(block_ + kBinSizeValue + kBinSizeStride * bank, kBinSizeValueWidth));
}

std::string PackageReader::NewRevision(int bank) const {
    if (!BankInRange(bank)) return {};
    return BoundedText(block_ + kNewFwValue + kNewFwStride * bank, kNewFwValueWidth);
}

std::string PackageReader::NewRevision4(int bank) const {
    if (!BankInRange(bank)) return {};
    return BoundedText(block_ + kNewFwValue + kNewFwStride * bank, kRevisionChars);
}

bool PackageReader::ImageAreaEmpty() const {
    // 19 bytes: "BANK_START_FROM_HER", the marker without its last letter.
    static constexpr char kMarker[] = "BANK_START_FROM_HERE";
    return std::memcmp(ImageArea(), kMarker, 19) == 0;
}

PackageReader ActivePackage() {
    const std::uint8_t* block = gActiveBlock.load(std::memory_order_acquire);
    return PackageReader(block ? block : EmbeddedBlock());
}

void SetActivePackageForTesting(const std::uint8_t* block) {
    gActiveBlock.store(block, std::memory_order_release);
}

}  // namespace pkg
