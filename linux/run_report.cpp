#include "run_report.h"

#include "src/drive/run_log_lines.h"
#include "src/package/pe_checksum.h"

namespace nflash {

std::string ResultName(DriveResult result) {
    switch (result) {
        case DriveResult::None: return "none";
        case DriveResult::Flashed: return "flashed";
        case DriveResult::Failed: return "failed";
        case DriveResult::Cancelled: return "cancelled";
        case DriveResult::Planned: return "planned";
        case DriveResult::RevisionMismatch: return "revision-mismatch";
    }
    return "?";
}

RunReport& Stop(RunReport& report, ExitCode code, const std::string& message) {
    report.code = code;
    report.errors.push_back(message);
    return report;
}

std::string IntegrityText(const FileReport& f) {
    std::string text = "PE checksum " + pkg::ChecksumHex(f.peChecksum) + " matches; ";
    if (f.signer.empty()) return text + "not signed";
    return text + "signed by " + f.signer + " (issued by " + f.signerIssuer + "), its " + f.signatureDigest +
           " digest matches the file; the certificate chain is not verified";
}

std::string ChipText(const std::array<std::uint8_t, 4>& chip) { return ChipIdText(chip.data()); }

}  // namespace nflash
