#include "drive_table_log.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "../package/package_reader.h"
#include "run_log.h"

namespace {

std::string Field(const char* field, std::size_t size) { return std::string(field, strnlen(field, size)); }

std::string Quoted(const char* field, std::size_t size) {
    std::string text(1, '"');
    text += Field(field, size);
    text += '"';
    return text;
}

std::string Decision(const DriveEntry& entry) {
    if (entry.matched != 1) return "not allowed";
    const std::string to = pkg::ActivePackage().NewRevision(entry.bank);
    return "bank " + std::to_string(entry.bank + 1) + ", " + Field(entry.revision, sizeof entry.revision) + " -> " +
           to + (entry.upToDate == 1 ? " (up to date)" : "");
}

std::string IdentityLine(const DriveEntry& e) {
    char chip[16];
    std::snprintf(chip, sizeof chip, "%02x %02x %02x %02x", e.chipId[0], e.chipId[1], e.chipId[2], e.chipId[3]);
    const std::string label = e.rootPath[0] != 0 ? std::string(e.rootPath, 2) : "-";
    const std::string address = std::to_string(e.adapter) + "-" + std::to_string(e.bus) + "-" +
                                std::to_string(e.target) + "-" + std::to_string(e.lun);
    return "identity " + label + " " + address + ": " + Quoted(e.vendor, sizeof e.vendor) +
           " " + Quoted(e.product, sizeof e.product) + " " + Quoted(e.revision, sizeof e.revision) +
           " vendor-specific " + Quoted(e.vendorSpecific, sizeof e.vendorSpecific) + ", chip " + chip +
           "; decision: " + Decision(e);
}

}  // namespace

void LogDriveTable(const DriveManager& m) {
    if (ProcessRunLog() == nullptr) return;
    for (std::uint16_t i = 0; i < m.GetDriveCount(); ++i) {
        const DriveEntry* entry = m.GetEntry(i);
        if (entry != nullptr && entry->present == 1) LogLine(IdentityLine(*entry));
    }
}
