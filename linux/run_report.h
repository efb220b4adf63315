// Everything a run found and did, for the summary, --json and the log.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "decision.h"
#include "exit_codes.h"
#include "gated_transport.h"
#include "optical_drive.h"

namespace nflash {

enum class DriveResult {
    None,     // not part of the flash (list, not chosen)
    Flashed,  // committed, and the drive answered again
    Failed,
    Cancelled,  // stopped before anything changed
    Planned,    // dry run: nothing changed, `plan` says what would be sent
    RevisionMismatch,  // committed and answering, but not with its bank's revision
};

std::string ResultName(DriveResult result);

struct DriveReport {
    OpticalDrive drive;
    std::string problem;    // why it could not be read (not opened, no answer), or why it will not be flashed
    bool answered = false;  // the live identity comes from INQUIRY (else sysfs)
    Identity identity;
    std::optional<std::array<std::uint8_t, 4>> chipId;
    Decision decision;
    bool chosen = false;
    DriveResult result = DriveResult::None;
    std::string error;  // for Failed and RevisionMismatch
    std::optional<Identity> after;
    std::string movedTo;  // the node it answered under after its commit, when not its old one
    double seconds = 0.0;
    int passes = 0;
    std::vector<PlannedCommand> plan;
    std::string imageSha256;  // of the bank it gets
};

struct BankReport {
    int bank = 0;  // 1-based, as the package names it
    std::int32_t start = 0;
    std::int32_t size = 0;
    std::string newRevision;
    std::string sha256;
};

struct FileReport {
    std::string path;
    std::string sha256;
    std::string title;
    std::string version;
    std::string driveName;
    std::string loaderSet;  // "generated test set", "maker's set"
    bool testLoaders = false;
    std::string loaderSha256;
    std::vector<BankReport> banks;
    std::uint32_t peChecksum = 0;  // stored, and the bytes sum to it
    // The Authenticode signature, when there is one and it matches the
    // file: its signer and issuer as the certificate names them (the chain
    // is not verified), and its digest algorithm.
    std::string signer;
    std::string signerIssuer;
    std::string signatureDigest;
};

struct RunReport {
    std::string command;  // "list" or "flash"
    bool dryRun = false;
    std::optional<FileReport> file;
    std::vector<DriveReport> drives;
    std::vector<std::string> errors;
    std::vector<std::string> warnings;
    std::string logPath;
    bool restartRequested = false;  // the package's REBOOT, after a drive was flashed
    ExitCode code = ExitCode::Success;
};

// Ends the run with `code`, the message among its errors.
RunReport& Stop(RunReport& report, ExitCode code, const std::string& message);

// "PE checksum 0x... matches; signed by CN=... (issued by CN=...), its
// sha256 digest matches the file; the certificate chain is not verified".
std::string IntegrityText(const FileReport& file);

// "bf d6 00 01"
std::string ChipText(const std::array<std::uint8_t, 4>& chip);

}  // namespace nflash
