#include "drive_table_log.h"

#include <string>

#include "../drive/run_log_lines.h"
#include "../drive/table/entry_text.h"
#include "../package/package_reader.h"
#include "run_log.h"

namespace {

std::string Decision(const DriveEntry& entry) {
    if (entry.matched != 1) return "not allowed";
    const std::string to = pkg::ActivePackage().NewRevision(entry.bank);
    return "bank " + std::to_string(entry.bank + 1) + ", " + EntryField(entry.revision, sizeof entry.revision) + " -> " +
           to + (entry.upToDate == 1 ? " (up to date)" : "");
}

std::string IdentityLine(const DriveEntry& e) {
    const std::string letter = e.rootPath[0] != 0 ? std::string(e.rootPath, 2) : "-";
    return "identity " + letter + " " + EntryAddress(e) + ": " +
           IdentityLogText(EntryField(e.vendor, sizeof e.vendor), EntryField(e.product, sizeof e.product),
                           EntryField(e.revision, sizeof e.revision), EntryField(e.vendorSpecific, sizeof e.vendorSpecific)) +
           ", chip " + ChipIdText(e.chipId) + "; decision: " + Decision(e);
}

}  // namespace

void LogDriveTable(const DriveManager& m) {
    if (ProcessRunLog() == nullptr) return;
    for (std::uint16_t i = 0; i < m.GetDriveCount(); ++i) {
        const DriveEntry* entry = m.GetEntry(i);
        if (entry != nullptr && entry->present == 1) LogLine(IdentityLine(*entry));
    }
}
