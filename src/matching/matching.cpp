#include "matching.h"

namespace matching {
namespace {

struct DriveTexts {
    std::string vendor;
    std::string product;
    std::string revision;

    explicit DriveTexts(const Identity& drive)
        : vendor(Clipped(drive.vendor, pkg::kVendorChars)),
          product(Clipped(drive.product, pkg::kProductChars)),
          revision(Clipped(drive.revision, pkg::kRevisionChars)) {}
};

// The four steps of one slot: vendor, product, lowest and highest revision.
bool SlotAdmits(const pkg::ConstraintTexts& slot, const DriveTexts& drive, Collation collate) {
    if (!slot.vendor.empty() && collate(drive.vendor, slot.vendor) != 0) return false;
    if (!slot.product.empty() && collate(drive.product, slot.product) != 0) return false;
    if (!slot.minRevision.empty() && collate(drive.revision, slot.minRevision) < 0) return false;
    if (!slot.maxRevision.empty() && collate(drive.revision, slot.maxRevision) > 0) return false;
    return true;
}

// Only the first slot of a bank is tested for the placeholder: a bank left
// wholly unfilled admits every drive, while unfilled later slots simply never
// match (their "#" texts equal no drive's).
bool BankAdmits(const pkg::PackageReader& package, int bank, const DriveTexts& drive, Collation collate) {
    for (int slot = 0; slot < pkg::kSlotCount; ++slot) {
        const pkg::ConstraintTexts k = package.Constraint(bank, slot);
        if (slot == 0 && pkg::PackageReader::IsUnfilledSlot(k)) return true;
        if (SlotAdmits(k, drive, collate)) return true;
    }
    return false;
}

bool SlotNames(const pkg::ConstraintTexts& slot, const DriveTexts& drive, Collation collate) {
    if (pkg::PackageReader::IsUnfilledSlot(slot) || slot.vendor.empty() || slot.product.empty()) return false;
    return collate(drive.vendor, slot.vendor) == 0 && collate(drive.product, slot.product) == 0;
}

}  // namespace

Decision Decide(const Identity& drive, const pkg::PackageReader& package, const Settings& settings,
                Collation collate) {
    const DriveTexts texts(drive);
    Decision decision;
    decision.from = texts.revision;
    if (package.ImageAreaEmpty()) return decision;
    for (int bank = 0; bank < pkg::BanksInUse(settings.howManyBin); ++bank) {
        if (!BankAdmits(package, bank, texts, collate)) continue;
        decision.matched = true;
        decision.bank = bank;
        decision.upToDate = settings.n2oMessage && collate(texts.revision, package.NewRevision4(bank)) >= 0;
        decision.to = package.NewRevision(bank);
        return decision;
    }
    return decision;
}

bool IsPackageDrive(const Identity& drive, const pkg::PackageReader& package, const Settings& settings,
                    Collation collate) {
    const DriveTexts texts(drive);
    for (int bank = 0; bank < pkg::BanksInUse(settings.howManyBin); ++bank) {
        for (int slot = 0; slot < pkg::kSlotCount; ++slot) {
            if (SlotNames(package.Constraint(bank, slot), texts, collate)) return true;
        }
    }
    return false;
}

}  // namespace matching
