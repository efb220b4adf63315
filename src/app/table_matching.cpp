#include "table_matching.h"

#include "../drive/table/entry_text.h"
#include "../flash/embedded_loader_store.h"
#include "../matching/matching.h"
#include "../matching/test_loader_rule.h"
#include "collation.h"

matching::Identity RowIdentity(const DriveEntry& e) {
    return matching::Identity{EntryField(e.vendor, sizeof e.vendor), EntryField(e.product, sizeof e.product),
                              EntryField(e.revision, sizeof e.revision),
                              EntryField(e.vendorSpecific, sizeof e.vendorSpecific)};
}

void MatchEntry(DriveEntry& entry, const pkg::PackageReader& package, const Settings& settings) {
    entry.matched = 0;
    if (entry.present != 1) return;
    const matching::Decision decision = matching::Decide(RowIdentity(entry), package, settings, CompareText);
    if (!decision.matched) return;
    entry.matched = 1;
    entry.bank = static_cast<std::uint16_t>(decision.bank);
    entry.upToDate = decision.upToDate ? 1 : 0;
}

void MatchTable(DriveManager& manager) {
    const pkg::PackageReader package = pkg::ActivePackage();
    for (std::uint16_t i = 0; i < manager.GetDriveCount(); ++i) {
        DriveEntry& entry = manager.table.drives[i];
        MatchEntry(entry, package, CurrentSettings());
        if (TestBuildLeavesAlone(entry)) entry.matched = 0;
    }
}

bool TestBuildLeavesAlone(const DriveEntry& entry) {
    return matching::TestLoadersForbid(RowIdentity(entry), EmbeddedLoaderStoreIsTestSet());
}

std::string TestBuildNote(const DriveEntry& entry) {
    return TestBuildLeavesAlone(entry) ? "  (test build: virtual drives only)" : "";
}
