#include "table_matching.h"

#include "../flash/embedded_loader_store.h"
#include "../package/settings.h"
#include "matching.h"

void MatchTable(DriveManager& manager) {
    const pkg::PackageReader package = pkg::ActivePackage();
    const Settings& settings = CurrentSettings();
    for (std::uint16_t i = 0; i < manager.GetDriveCount(); ++i) {
        DriveEntry& entry = manager.table.drives[i];
        MatchEntry(entry, package, settings.howManyBin, settings.n2oMessage);
        if (TestBuildLeavesAlone(entry)) entry.matched = 0;
    }
}

bool TestBuildLeavesAlone(const DriveEntry& entry) { return EmbeddedLoaderStoreIsTestSet() && !IsVirtualDrive(entry); }

std::string TestBuildNote(const DriveEntry& entry) {
    return TestBuildLeavesAlone(entry) ? "  (test build: virtual drives only)" : "";
}
