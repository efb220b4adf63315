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
constexpr std::size_t kSlotMinRevision = 0;       // 8, first 4 used
constexpr std::size_t kSlotMaxRevision = 8;       // 8, first 4 used
constexpr std::size_t kSlotVendor = 16;           // 12, first 8 used
constexpr std::size_t kSlotProduct = 28;          // 20, first 16 used

constexpr std::size_t kN2oMessageOffset = 1774;   // "N2OMESSAGE=0", 13
constexpr std::size_t kChkDiscOffset = 1787;      // "CHKDISC=0", 10
constexpr std::size_t kBootCodeOffset = 1797;     // "BOOTCODE=1", 18
constexpr std::size_t kRebootOffset = 1815;       // "REBOOT=1", 9
constexpr std::size_t kAutoModeOffset = 1824;     // "AUTOMODE=0", 11
constexpr std::size_t kCloseApOffset = 1835;      // "CLOSEAP=0", 10
constexpr std::size_t kWarningOffset = 1845;      // "WARNING=1", 10
constexpr std::size_t kAdminOffset = 1855;        // "ADMIN=0", 8
constexpr std::size_t kAdminValueOffset = 1861;
constexpr std::size_t kNbWarningOffset = 1863;    // "NBWARNING=0", 12
constexpr std::size_t kHowManyBinOffset = 1875;   // "HOW_MANY_BIN=0", 20

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
