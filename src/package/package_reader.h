// Reads the package block: plain reads of the fixed layout, never a parse of
// key names.
#pragma once

#include <cstdint>
#include <string>

#include "package_layout.h"

namespace pkg {

struct ConstraintTexts {
    std::string minRevision;  // "%.4s"
    std::string maxRevision;  // "%.4s"
    std::string vendor;       // "%.8s"
    std::string product;      // "%.16s"
};

class PackageReader {
public:
    explicit PackageReader(const std::uint8_t* block) : block_(block) {}

    const std::uint8_t* Block() const { return block_; }
    std::string Title() const;
    std::string Version() const;
    std::string DriveName() const;

    // The last character of the setting's text as a decimal digit (0 otherwise).
    std::uint8_t SettingAt(std::size_t offset) const;
    std::uint16_t HowManyBin() const;
    // The character right after "ADMIN=" is '1'.
    bool AdminRequested() const;

    ConstraintTexts Constraint(int bank, int slot) const;
    static bool IsUnfilledSlot(const ConstraintTexts& slot);

    std::int32_t BinStart(int bank) const;
    std::int32_t BinSize(int bank) const;
    std::string NewRevision(int bank) const;   // whole text, for display
    std::string NewRevision4(int bank) const;  // "%.4s", for comparison

    const std::uint8_t* ImageArea() const { return block_ + kImageAreaOffset; }
    // The area still begins with the template marker: no firmware packaged.
    bool ImageAreaEmpty() const;

private:
    const std::uint8_t* block_;
};

// The banks a package uses: HOW_MANY_BIN, but never more than the four
// that exist.
constexpr int BanksInUse(std::uint16_t howManyBin) { return howManyBin < kBankCount ? howManyBin : kBankCount; }

// Whether `size` bytes from `start` lie inside the image area.
constexpr bool RangeInImageArea(std::int64_t start, std::int64_t size) {
    return start >= 0 && size >= 0 && start + size <= static_cast<std::int64_t>(kImageAreaSize);
}

// The block embedded in this executable, read through an accessor the
// optimiser cannot see through (the packer rewrites it after the build).
const std::uint8_t* EmbeddedBlock();

// The package the program runs with: the embedded block, unless a test has
// pointed it at another one.
PackageReader ActivePackage();
void SetActivePackageForTesting(const std::uint8_t* block);

}  // namespace pkg
