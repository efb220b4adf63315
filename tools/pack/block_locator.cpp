#include "block_locator.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "byte_search.h"
#include "src/package/package_layout.h"

namespace pack {
namespace {

struct KeyText {
    std::size_t offset;
    std::string_view text;
};

// Every key text of the block, the constraints marker first. The marker is
// searched with its NUL so that it is not found inside a longer text.
constexpr std::string_view kMarker{"FW_CONSTRAINTS=\0", 16};

constexpr std::array<KeyText, 23> kKeys{{
    {pkg::kConstraintsMarkerOffset, kMarker},
    {pkg::kN2oMessageOffset, "N2OMESSAGE="},
    {pkg::kChkDiscOffset, "CHKDISC="},
    {pkg::kBootCodeOffset, "BOOTCODE="},
    {pkg::kRebootOffset, "REBOOT="},
    {pkg::kAutoModeOffset, "AUTOMODE="},
    {pkg::kCloseApOffset, "CLOSEAP="},
    {pkg::kWarningOffset, "WARNING="},
    {pkg::kAdminOffset, "ADMIN="},
    {pkg::kNbWarningOffset, "NBWARNING="},
    {pkg::kHowManyBinOffset, "HOW_MANY_BIN="},
    {pkg::kBinStartOffset, "BIN_START1="},
    {pkg::kBinStartOffset + pkg::kBinStartStride, "BIN_START2="},
    {pkg::kBinStartOffset + 2 * pkg::kBinStartStride, "BIN_START3="},
    {pkg::kBinStartOffset + 3 * pkg::kBinStartStride, "BIN_START4="},
    {pkg::kBinSizeOffset, "BIN_SIZE1="},
    {pkg::kBinSizeOffset + pkg::kBinSizeStride, "BIN_SIZE2="},
    {pkg::kBinSizeOffset + 2 * pkg::kBinSizeStride, "BIN_SIZE3="},
    {pkg::kBinSizeOffset + 3 * pkg::kBinSizeStride, "BIN_SIZE4="},
    {pkg::kNewFwOffset, "NEW_FW1="},
    {pkg::kNewFwOffset + pkg::kNewFwStride, "NEW_FW2="},
    {pkg::kNewFwOffset + 2 * pkg::kNewFwStride, "NEW_FW3="},
    {pkg::kNewFwOffset + 3 * pkg::kNewFwStride, "NEW_FW4="},
}};

bool HasText(std::span<const std::uint8_t> file, std::size_t at, std::string_view text) {
    return at + text.size() <= file.size() && std::memcmp(file.data() + at, text.data(), text.size()) == 0;
}

// The first key missing from a candidate block, or nothing when all are there.
const KeyText* FirstMissingKey(std::span<const std::uint8_t> file, std::size_t block) {
    for (const KeyText& key : kKeys) {
        if (!HasText(file, block + key.offset, key.text)) return &key;
    }
    return nullptr;
}

std::vector<std::size_t> MarkerPositions(std::span<const std::uint8_t> file) {
    return Occurrences(file, kMarker);
}

Error Damaged(std::span<const std::uint8_t> file, std::size_t block) {
    const KeyText* key = FirstMissingKey(file, block);
    const std::string name(key->text.substr(0, key->text.find('\0')));
    if (block + pkg::kImageAreaOffset > file.size()) {
        return Error{ExitCode::kNoBlock, "file truncated: the package block at file offset " + HexOffset(block) +
                                             " is cut off before its key \"" + name + "\""};
    }
    return Error{ExitCode::kNoBlock, "package block at file offset " + HexOffset(block) + " is damaged: \"" + name +
                                         "\" missing at block offset " + std::to_string(key->offset)};
}

}  // namespace

Result<std::size_t> LocateBlock(std::span<const std::uint8_t> file) {
    std::vector<std::size_t> whole;
    std::optional<std::size_t> firstCandidate;
    for (std::size_t marker : MarkerPositions(file)) {
        if (marker < pkg::kConstraintsMarkerOffset) continue;
        const std::size_t block = marker - pkg::kConstraintsMarkerOffset;
        if (!firstCandidate) firstCandidate = block;
        if (!FirstMissingKey(file, block)) whole.push_back(block);
    }
    if (whole.empty()) {
        if (!firstCandidate) {
            return Error{ExitCode::kNoBlock, "no package block found (no \"FW_CONSTRAINTS=\" key text)", true};
        }
        return Damaged(file, *firstCandidate);
    }
    if (whole.size() > 1) {
        return Error{ExitCode::kNoBlock, "more than one package block found (file offsets " + HexOffset(whole[0]) + " and " +
                                             HexOffset(whole[1]) + ")"};
    }
    if (whole[0] + pkg::kBlockSize > file.size()) {
        return Error{ExitCode::kNoBlock, "file truncated: the package block at file offset " + HexOffset(whole[0]) +
                                             " needs " + std::to_string(pkg::kBlockSize) +
                                             " bytes, the file ends after " + std::to_string(file.size() - whole[0])};
    }
    return whole[0];
}

bool IsTemplate(const pkg::PackageReader& block) {
    static constexpr char kImageMarker[] = "BANK_START_FROM_HERE";
    return block.Title() == "APP_TITLE_HERE" && block.HowManyBin() == 0 &&
           std::memcmp(block.ImageArea(), kImageMarker, sizeof kImageMarker - 1) == 0;
}

}  // namespace pack
