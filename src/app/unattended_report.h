// What an unattended run found and did, for /report:FILE: one JSON document
// in the shape norvek-flash --json gives (program, version, command, dryRun,
// file, drives with identity, decision and outcome, errors, warnings,
// exitCode, log). Written by hand: the updater has no third-party runtime
// dependencies.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "../matching/identity.h"

// A drive's identity as the report writes it: its fields raw.
using ReportIdentity = matching::Identity;

struct ReportDrive {
    std::string device;   // "D:", or the address for a drive without a letter
    std::string address;  // adapter-bus-target-lun
    ReportIdentity identity;
    std::string chipId;  // "bf d6 00 01"
    bool matched = false;
    int bank = 0;  // 1-based, when matched
    std::string to;
    bool upToDate = false;
    bool chosen = false;
    std::string result;  // "flashed", "failed"; empty when not chosen
    std::string error;
    std::optional<ReportIdentity> after;
    double seconds = 0.0;
    std::string imageSha256;
};

struct ReportBank {
    int bank = 0;  // 1-based, as the package names it
    std::int32_t start = 0;
    std::int32_t size = 0;
    std::string newRevision;
    std::string sha256;  // empty when the range leaves the image area
};

struct UnattendedReport {
    std::vector<ReportBank> banks;
    std::string title;
    std::string version;
    std::string driveName;
    std::vector<ReportDrive> drives;
    std::vector<std::string> errors;
    std::vector<std::string> warnings;
    std::string logPath;
    int exitCode = 0;
};

std::string ReportJsonText(const UnattendedReport& report);

// Writes the document to `path`; false when it cannot.
bool WriteReport(const UnattendedReport& report, const std::string& path);
