#include "report_text.h"

#include <algorithm>
#include <cstdio>

#include "file_report.h"
#include "src/app/dialog_texts.h"
#include "wire_command.h"

namespace nflash {
namespace {

std::string Seconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", seconds);
    return text;
}

// The window's list name: the vendor's 8 bytes and the product's 16 side by
// side, as discovery copies them into the table, read up to the first NUL.
std::string DisplayName(const Identity& identity) {
    std::string vendor = identity.vendor.substr(0, pkg::kVendorChars);
    vendor.resize(pkg::kVendorChars, '\0');
    return matching::Clipped(vendor + identity.product, pkg::kVendorChars + pkg::kProductChars);
}

std::string Plural(int count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

std::string FileText(const FileReport& f) {
    std::string text = "file: " + f.path + " (sha256 " + f.sha256 + ")\n";
    text += "loaders: " + f.loaderSet + " (sha256 " + f.loaderSha256 + ")";
    if (f.testLoaders) text += ", test build, not for real drives";
    text += "\nintegrity: " + IntegrityText(f);
    text += "\npackage: \"" + f.title + "\" for " + f.driveName;
    for (const BankReport& b : f.banks) {
        text += "\n  bank " + std::to_string(b.bank) + ": " + std::to_string(b.size) + " bytes at " +
                std::to_string(b.start) + " -> " + b.newRevision + " (sha256 " + b.sha256 + ")";
    }
    return text;
}

std::string DriveLine(const DriveReport& r) {
    std::string line = r.drive.address.Text() + "  " + r.drive.Nodes() + "  " + r.identity.Text() + "  ";
    if (!r.problem.empty() && !r.answered) return line + "(" + r.problem + ")";
    if (!r.problem.empty()) return line + r.decision.Text() + " (" + r.problem + ")";
    return line + r.decision.Text();
}

std::string WindowListLine(const DriveReport& r) {
    // The window's table keeps each address part in 16 bits.
    const auto part = [](unsigned value) { return static_cast<std::int16_t>(value); };
    const ScsiAddress& a = r.drive.address;
    return FormatDriveLine(DriveLineFields{part(a.host), part(a.channel), part(a.target), part(a.lun), "",
                                           DisplayName(r.identity),
                                           matching::Clipped(r.identity.revision, pkg::kRevisionChars)});
}

std::string PlanText(const std::vector<PlannedCommand>& plan) {
    std::string text;
    int pieces = 0;
    std::string firstPiece;
    std::string firstRead;
    for (const PlannedCommand& c : plan) {
        const std::string cdb = CdbHex(c.cdb.data());
        switch (Classify(c.cdb.data(), c.length)) {
            case WireKind::StartStop: text += "\n    STOP UNIT            " + cdb; break;
            case WireKind::Identify: text += "\n    identify flash chip  " + cdb; break;
            case WireKind::LoaderUpload:
                text += "\n    loader upload        " + cdb + " (" + std::to_string(c.length) + " bytes)";
                break;
            case WireKind::ImagePiece:
                if (pieces++ == 0) firstPiece = cdb;
                break;
            case WireKind::ReadBack:
                if (firstRead.empty()) firstRead = cdb;
                break;
            case WireKind::Commit:
                text += "\n    pieces               " + Plural(pieces, "piece", "pieces") + " of " +
                        std::to_string(wire::kPieceSize) + " bytes, each written (" + firstPiece +
                        ", ...) and read back (" + firstRead + ", ...)";
                text += "\n    commit               " + cdb;
                break;
            default: break;
        }
    }
    return text;
}

std::string OutcomeText(const DriveReport& r) {
    std::string text = r.drive.CommandPath().string() + ": ";
    switch (r.result) {
        case DriveResult::Flashed:
            text += "flashed and verified, now " + (r.after ? r.after->Text() : std::string("?"));
            text += " (" + Seconds(r.seconds) + ", " + Plural(r.passes, "pass", "passes") + ")";
            if (!r.movedTo.empty()) text += "; it answers as " + r.movedTo + " now";
            break;
        case DriveResult::Failed: text += "FAILED: " + r.error; break;
        case DriveResult::RevisionMismatch: text += r.error; break;
        case DriveResult::Cancelled: text += "cancelled, nothing was changed"; break;
        case DriveResult::Planned: text += "dry run, nothing was changed; would send:" + PlanText(r.plan); break;
        case DriveResult::None: text += "not flashed"; break;
    }
    return text;
}

}  // namespace nflash
