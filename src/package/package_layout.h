// Byte offsets of the package block. The packer writes these fields in place
// in a built executable; the updater only reads them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pkg {

constexpr std::size_t kBannerOffset = 0;          // 21: bracketed 20-character text
constexpr std::size_t kVersionOffset = 21;        // 13
constexpr std::size_t kBanner2Offset = 34;        // 15
constexpr std::size_t kTitleOffset = 49;          // 64
constexpr std::size_t kTitleWidth = 64;
constexpr std::size_t kDateOffset = 113;          // 12
constexpr std::size_t kTextOffset = 125;          // 32
constexpr std::size_t kDriveNameOffset = 157;     // 65
constexpr std::size_t kDriveNameWidth = 65;
constexpr std::size_t kConstraintsMarkerOffset = 222;  // "FW_CONSTRAINTS="
constexpr std::size_t kConstraintsOffset = 238;   // 4 banks x 8 slots x 48
constexpr std::size_t kBankStride = 384;
constexpr std::size_t kSlotStride = 48;
constexpr std::size_t kSlotMinRevision = 0;
constexpr std::size_t kSlotMaxRevision = 8;
constexpr std::size_t kSlotVendor = 16;
constexpr std::size_t kSlotProduct = 28;
// Each slot field's room, and how many of its characters the updater reads
// (the INQUIRY widths of revision, vendor and product).
constexpr std::size_t kSlotRevisionWidth = 8;
constexpr std::size_t kSlotVendorWidth = 12;
constexpr std::size_t kSlotProductWidth = 20;
constexpr std::size_t kRevisionChars = 4;
constexpr std::size_t kVendorChars = 8;
constexpr std::size_t kProductChars = 16;

// The settings strings ("N2OMESSAGE=0", ...) and the room each has, its NUL
// included, up to the next one.
constexpr std::size_t kN2oMessageOffset = 1774;
constexpr std::size_t kN2oMessageWidth = 13;
constexpr std::size_t kChkDiscOffset = 1787;
constexpr std::size_t kChkDiscWidth = 10;
constexpr std::size_t kBootCodeOffset = 1797;
constexpr std::size_t kBootCodeWidth = 18;
constexpr std::size_t kRebootOffset = 1815;
constexpr std::size_t kRebootWidth = 9;
constexpr std::size_t kAutoModeOffset = 1824;
constexpr std::size_t kAutoModeWidth = 11;
constexpr std::size_t kCloseApOffset = 1835;
constexpr std::size_t kCloseApWidth = 10;
constexpr std::size_t kWarningOffset = 1845;
constexpr std::size_t kWarningWidth = 10;
constexpr std::size_t kAdminOffset = 1855;
constexpr std::size_t kAdminWidth = 8;
constexpr std::size_t kAdminValueOffset = 1861;
constexpr std::size_t kNbWarningOffset = 1863;
constexpr std::size_t kNbWarningWidth = 12;
constexpr std::size_t kHowManyBinOffset = 1875;
constexpr std::size_t kHowManyBinWidth = 20;

constexpr std::size_t kBinStartOffset = 1895;     // "BIN_STARTn=", stride 22
constexpr std::size_t kBinStartStride = 22;
constexpr std::size_t kBinStartValue = 1906;
constexpr std::size_t kBinSizeOffset = 1983;      // "BIN_SIZEn=", stride 21
constexpr std::size_t kBinSizeStride = 21;
constexpr std::size_t kBinSizeValue = 1993;
constexpr std::size_t kNewFwOffset = 2067;        // "NEW_FWn=", stride 16
constexpr std::size_t kNewFwStride = 16;
constexpr std::size_t kNewFwValue = 2075;

constexpr std::size_t kImageAreaOffset = 2131;
constexpr std::size_t kImageAreaSize = 1048576;
constexpr std::size_t kBlockSize = kImageAreaOffset + kImageAreaSize;

constexpr int kBankCount = 4;
constexpr int kSlotCount = 8;

}  // namespace pkg
