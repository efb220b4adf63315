#include "matching.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "../drive/command_codes.h"
#include "collation.h"

namespace {

std::string Field(const char* text, std::size_t used) {
    return std::string(text, strnlen(text, used));
}

struct DriveTexts {
    std::string revision;
    std::string vendor;
    std::string product;
};

// The four steps of one slot: vendor, product, lowest and highest revision.
// An empty constraint field admits any value; the range is inclusive.
bool SlotAdmits(const pkg::ConstraintTexts& slot, const DriveTexts& drive) {
    if (!slot.vendor.empty() && CompareText(drive.vendor, slot.vendor) != 0) return false;
    if (!slot.product.empty() && CompareText(drive.product, slot.product) != 0) return false;
    if (!slot.minRevision.empty() && CompareText(drive.revision, slot.minRevision) < 0) return false;
    if (!slot.maxRevision.empty() && CompareText(drive.revision, slot.maxRevision) > 0) return false;
    return true;
}

// Only the first slot of a bank is tested for the placeholder: a bank left
// wholly unfilled admits every drive, while unfilled later slots simply never
// match (their "#" texts equal no drive's).
bool BankAdmits(const pkg::PackageReader& package, int bank, const DriveTexts& drive) {
    for (int slot = 0; slot < pkg::kSlotCount; ++slot) {
        const pkg::ConstraintTexts k = package.Constraint(bank, slot);
        if (slot == 0 && pkg::PackageReader::IsUnfilledSlot(k)) return true;
        if (SlotAdmits(k, drive)) return true;
    }
    return false;
}

}  // namespace

bool IsVirtualDrive(const DriveEntry& entry) {
    return std::memcmp(entry.vendorSpecific, wire::kVirtualDriveMarker, wire::kVendorSpecificLength) == 0;
}

void MatchEntry(DriveEntry& entry, const pkg::PackageReader& package, std::uint16_t howManyBin,
                bool n2oMessage) {
    entry.matched = 0;
    if (entry.present != 1 || package.ImageAreaEmpty()) return;

    const DriveTexts drive{Field(entry.revision, 4), Field(entry.vendor, 8), Field(entry.product, 16)};
    // Only four banks exist, whatever the package claims.
    const int banks = std::min<int>(howManyBin, pkg::kBankCount);
    for (int bank = 0; bank < banks; ++bank) {
        if (!BankAdmits(package, bank, drive)) continue;
        entry.matched = 1;
        entry.bank = static_cast<std::uint16_t>(bank);
        entry.upToDate = 0;
        if (CompareText(drive.revision, package.NewRevision4(bank)) >= 0 && n2oMessage) {
            entry.upToDate = 1;
        }
        return;
    }
}
