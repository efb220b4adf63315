// The template package block: the bytes norvek-pack finds and overwrites in
// the built executable. It lives in writable data as one contiguous object so
// that the whole block, image area included, sits in the file at one place.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "package_layout.h"
#include "package_reader.h"

namespace pkg {
namespace {

constexpr std::size_t kHeadSize = kImageAreaOffset;

using Head = std::array<std::uint8_t, kHeadSize>;

// Writes a NUL-terminated text; the rest of the field stays NUL.
constexpr void Put(Head& head, std::size_t offset, std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        head[offset + i] = static_cast<std::uint8_t>(text[i]);
    }
}

constexpr void PutSlotPlaceholder(Head& head, int bank, int slot) {
    const std::size_t at = kConstraintsOffset + kBankStride * bank + kSlotStride * slot;
    const char bankDigit = static_cast<char>('1' + bank);
    const char slotDigit = static_cast<char>('1' + slot);
    const char minRevision[] = {'#', 'F', 'L', 'S', 'H', bankDigit, slotDigit};
    Put(head, at + kSlotMinRevision, std::string_view(minRevision, sizeof minRevision));
    Put(head, at + kSlotMaxRevision, "#");
    Put(head, at + kSlotVendor, "#");
    Put(head, at + kSlotProduct, "#");
}

constexpr void PutBank(Head& head, int bank) {
    const char n = static_cast<char>('1' + bank);
    const char start[] = {'B', 'I', 'N', '_', 'S', 'T', 'A', 'R', 'T', n, '='};
    const char size[] = {'B', 'I', 'N', '_', 'S', 'I', 'Z', 'E', n, '='};
    const char newFw[] = {'N', 'E', 'W', '_', 'F', 'W', n, '='};
    Put(head, kBinStartOffset + kBinStartStride * bank, std::string_view(start, sizeof start));
    Put(head, kBinStartValue + kBinStartStride * bank, "0000000000");
    Put(head, kBinSizeOffset + kBinSizeStride * bank, std::string_view(size, sizeof size));
    Put(head, kBinSizeValue + kBinSizeStride * bank, "0000000000");
    Put(head, kNewFwOffset + kNewFwStride * bank, std::string_view(newFw, sizeof newFw));
    Put(head, kNewFwValue + kNewFwStride * bank, "N/A ");
}

constexpr Head BuildHead() {
    Head head{};
    Put(head, kBannerOffset, "[Norvek F/W Updater]");
    Put(head, kVersionOffset, "v2.0.4");
    Put(head, kBanner2Offset, "Norvek Project");
    Put(head, kTitleOffset, "APP_TITLE_HERE");
    Put(head, kDateOffset, "2004/06/15");
    Put(head, kTextOffset, "N/A");
    Put(head, kConstraintsMarkerOffset, "FW_CONSTRAINTS=");
    for (int bank = 0; bank < kBankCount; ++bank) {
        for (int slot = 0; slot < kSlotCount; ++slot) PutSlotPlaceholder(head, bank, slot);
    }
    // Settings of a template: HOW_MANY_BIN=0, so an unpacked build only says
    // that it carries no firmware.
    Put(head, kN2oMessageOffset, "N2OMESSAGE=0");
    Put(head, kChkDiscOffset, "CHKDISC=0");
    Put(head, kBootCodeOffset, "BOOTCODE=1");
    Put(head, kRebootOffset, "REBOOT=1");
    Put(head, kAutoModeOffset, "AUTOMODE=0");
    Put(head, kCloseApOffset, "CLOSEAP=0");
    Put(head, kWarningOffset, "WARNING=1");
    Put(head, kAdminOffset, "ADMIN=0");
    Put(head, kNbWarningOffset, "NBWARNING=0");
    Put(head, kHowManyBinOffset, "HOW_MANY_BIN=0");
    for (int bank = 0; bank < kBankCount; ++bank) PutBank(head, bank);
    return head;
}

// Head and image area in one object, so the linker cannot place them apart.
struct TemplateBlock {
    Head head;
    std::uint8_t imageArea[kImageAreaSize];
};

static_assert(sizeof(TemplateBlock) == kBlockSize, "the block has no padding");
static_assert(offsetof(TemplateBlock, imageArea) == kImageAreaOffset);

// Every field's place, checked against the shared layout.
static_assert(kBannerOffset + 21 == kVersionOffset);
static_assert(kVersionOffset + 13 == kBanner2Offset);
static_assert(kBanner2Offset + 15 == kTitleOffset);
static_assert(kTitleOffset + kTitleWidth == kDateOffset);
static_assert(kDateOffset + 12 == kTextOffset);
static_assert(kTextOffset + 32 == kDriveNameOffset);
static_assert(kDriveNameOffset + kDriveNameWidth == kConstraintsMarkerOffset);
static_assert(kConstraintsMarkerOffset + 16 == kConstraintsOffset);
static_assert(kSlotMinRevision + kSlotRevisionWidth == kSlotMaxRevision);
static_assert(kSlotMaxRevision + kSlotRevisionWidth == kSlotVendor);
static_assert(kSlotVendor + kSlotVendorWidth == kSlotProduct);
static_assert(kSlotProduct + kSlotProductWidth == kSlotStride);
static_assert(kSlotStride * kSlotCount == kBankStride);
static_assert(kConstraintsOffset + kBankStride * kBankCount == kN2oMessageOffset);
static_assert(kN2oMessageOffset + kN2oMessageWidth == kChkDiscOffset);
static_assert(kChkDiscOffset + kChkDiscWidth == kBootCodeOffset);
static_assert(kBootCodeOffset + kBootCodeWidth == kRebootOffset);
static_assert(kRebootOffset + kRebootWidth == kAutoModeOffset);
static_assert(kAutoModeOffset + kAutoModeWidth == kCloseApOffset);
static_assert(kCloseApOffset + kCloseApWidth == kWarningOffset);
static_assert(kWarningOffset + kWarningWidth == kAdminOffset);
static_assert(kAdminOffset + 6 == kAdminValueOffset);
static_assert(kAdminOffset + kAdminWidth == kNbWarningOffset);
static_assert(kNbWarningOffset + kNbWarningWidth == kHowManyBinOffset);
static_assert(kHowManyBinOffset + kHowManyBinWidth == kBinStartOffset);
static_assert(kBinStartOffset + 11 == kBinStartValue);
static_assert(kBinStartOffset + kBinStartStride * kBankCount == kBinSizeOffset);
static_assert(kBinSizeOffset + 10 == kBinSizeValue);
static_assert(kBinSizeOffset + kBinSizeStride * kBankCount == kNewFwOffset);
static_assert(kNewFwOffset + 8 == kNewFwValue);
static_assert(kNewFwOffset + kNewFwStride * kBankCount == kImageAreaOffset);
static_assert(kImageAreaSize == 1048576);

// Not const: a const object could land in read-only data or be folded into
// its readers; this one is patched in the file and must be read as stored.
constinit TemplateBlock gTemplateBlock = {BuildHead(), "BANK_START_FROM_HERE"};

}  // namespace

const std::uint8_t* EmbeddedBlock() {
    const std::uint8_t* block = gTemplateBlock.head.data();
    // The empty asm hides where the pointer came from, so even with
    // link-time optimisation no read of the block is replaced by the
    // template's constant bytes.
    asm volatile("" : "+r"(block) : : "memory");
    return block;
}

}  // namespace pkg
