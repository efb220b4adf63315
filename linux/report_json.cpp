#include "report_json.h"

#include "src/package/package_layout.h"
#include "src/package/pe_checksum.h"
#include "wire_command.h"

namespace nflash {
namespace {

using nlohmann::json;

json IdentityJson(const Identity& identity) {
    return {{"vendor", identity.vendor},
            {"product", identity.product},
            {"revision", identity.revision},
            {"vendorSpecific", identity.vendorSpecific}};
}

json DecisionJson(const Decision& d) {
    json out = {{"matched", d.matched}, {"from", d.from}, {"text", d.Text()}};
    if (d.matched) {
        out["bank"] = d.bank + 1;
        out["to"] = d.to;
        out["upToDate"] = d.upToDate;
    }
    return out;
}

json PlanJson(const std::vector<PlannedCommand>& plan) {
    json out = json::array();
    for (const PlannedCommand& c : plan) {
        const char* direction = c.direction == kDataOut ? "out" : c.direction == kDataIn ? "in" : "none";
        out.push_back({{"cdb", CdbHex(c.cdb.data())}, {"direction", direction}, {"length", c.length}});
    }
    return out;
}

json DriveJson(const DriveReport& r) {
    json out = {{"device", r.drive.CommandPath().string()},
                {"sg", r.drive.sgPath.string()},
                {"block", r.drive.srPath.string()},
                {"address", r.drive.address.Text()},
                {"answered", r.answered},
                {"identity", IdentityJson(r.identity)},
                {"decision", DecisionJson(r.decision)},
                {"chosen", r.chosen}};
    out["chipId"] = r.chipId ? json(ChipText(*r.chipId)) : json(nullptr);
    if (r.drive.maxTransferKb) out["maxTransferKb"] = *r.drive.maxTransferKb;
    if (!r.problem.empty()) out["problem"] = r.problem;
    if (r.result != DriveResult::None) {
        json outcome = {{"result", ResultName(r.result)}, {"seconds", r.seconds}, {"passes", r.passes}};
        outcome["error"] = r.error.empty() ? json(nullptr) : json(r.error);
        outcome["after"] = r.after ? IdentityJson(*r.after) : json(nullptr);
        if (!r.imageSha256.empty()) outcome["imageSha256"] = r.imageSha256;
        if (r.decision.matched) outcome["expectedRevision"] = r.decision.to;
        if (!r.movedTo.empty()) outcome["movedTo"] = r.movedTo;
        if (r.result == DriveResult::Planned) outcome["plan"] = PlanJson(r.plan);
        out["outcome"] = outcome;
    }
    return out;
}

json FileJson(const FileReport& f) {
    json banks = json::array();
    for (const BankReport& b : f.banks) {
        banks.push_back({{"bank", b.bank},
                         {"start", b.start},
                         {"size", b.size},
                         {"newRevision", b.newRevision},
                         {"sha256", b.sha256}});
    }
    json signature = nullptr;
    if (!f.signer.empty()) {
        signature = {{"signer", f.signer},
                     {"issuer", f.signerIssuer},
                     {"digest", f.signatureDigest},
                     {"digestMatches", true},
                     {"chainVerified", false}};
    }
    return {{"path", f.path},
            {"sha256", f.sha256},
            {"peChecksum", pkg::ChecksumHex(f.peChecksum)},
            {"signature", signature},
            {"title", f.title},
            {"version", f.version},
            {"driveName", f.driveName},
            {"loaders", {{"set", f.loaderSet}, {"sha256", f.loaderSha256}}},
            {"banks", banks}};
}

}  // namespace

json ReportJson(const RunReport& report) {
    json drives = json::array();
    for (const DriveReport& drive : report.drives) drives.push_back(DriveJson(drive));
    json out = {{"program", "norvek-flash"},
                {"version", NORVEK_VERSION},
                {"command", report.command},
                {"dryRun", report.dryRun},
                {"drives", drives},
                {"errors", report.errors},
                {"warnings", report.warnings},
                {"restartRequested", report.restartRequested},
                {"exitCode", Code(report.code)}};
    out["file"] = report.file ? FileJson(*report.file) : json(nullptr);
    out["log"] = report.logPath.empty() ? json(nullptr) : json(report.logPath);
    return out;
}

}  // namespace nflash
