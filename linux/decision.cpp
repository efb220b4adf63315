#include "decision.h"

#include <algorithm>
#include <cstring>

#include "src/app/collation.h"
#include "src/app/matching.h"
#include "src/package/settings.h"

namespace nflash {
namespace {

template <std::size_t N>
void CopyField(char (&field)[N], const std::string& text) {
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), std::min(text.size(), N - 1));
}

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

std::string Identity::Text() const {
    std::string text = Trimmed(vendor);
    for (const std::string& part : {Trimmed(product), Trimmed(revision)}) {
        if (part.empty()) continue;
        text += (text.empty() ? "" : " ") + part;
    }
    return text.empty() ? "(no identity)" : text;
}

std::string Decision::Text() const {
    if (!matched) return "not allowed";
    if (upToDate) return "up to date (" + from + ")";
    return "from " + from + " to " + to;
}

DriveEntry EntryFor(const Identity& identity) {
    DriveEntry entry{};
    entry.present = 1;
    CopyField(entry.vendor, identity.vendor);
    CopyField(entry.product, identity.product);
    CopyField(entry.revision, identity.revision);
    CopyField(entry.vendorSpecific, identity.vendorSpecific);
    std::memcpy(entry.displayName, entry.vendor, 8);
    std::memcpy(entry.displayName + 8, entry.product, 16);
    return entry;
}

bool IsPackageDrive(const Identity& identity, const pkg::PackageReader& package) {
    const DriveEntry entry = EntryFor(identity);
    const std::string vendor(entry.vendor, strnlen(entry.vendor, 8));
    const std::string product(entry.product, strnlen(entry.product, 16));
    const int banks = std::min<int>(CurrentSettings().howManyBin, pkg::kBankCount);
    for (int bank = 0; bank < banks; ++bank) {
        for (int slot = 0; slot < pkg::kSlotCount; ++slot) {
            const pkg::ConstraintTexts k = package.Constraint(bank, slot);
            if (pkg::PackageReader::IsUnfilledSlot(k) || k.vendor.empty() || k.product.empty()) continue;
            if (CompareText(vendor, k.vendor) == 0 && CompareText(product, k.product) == 0) return true;
        }
    }
    return false;
}

bool TestLoadersForbid(const Identity& identity, bool testLoaders) {
    return testLoaders && !IsVirtualDrive(EntryFor(identity));
}

Decision Decide(const Identity& identity, const pkg::PackageReader& package) {
    DriveEntry entry = EntryFor(identity);
    const Settings& settings = CurrentSettings();
    MatchEntry(entry, package, settings.howManyBin, settings.n2oMessage);
    Decision decision;
    decision.matched = entry.matched == 1;
    decision.from = std::string(entry.revision, strnlen(entry.revision, 4));
    if (decision.matched) {
        decision.bank = entry.bank;
        decision.upToDate = entry.upToDate == 1;
        decision.to = package.NewRevision(entry.bank);
    }
    return decision;
}

}  // namespace nflash
