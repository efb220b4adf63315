#include "unattended_report.h"

#include <cstdio>

#include "../package/quoted_text.h"

namespace {

std::string Bool(bool value) { return value ? "true" : "false"; }

std::string StringOrNull(const std::string& text) { return text.empty() ? "null" : QuotedText(text); }

std::string Strings(const std::vector<std::string>& texts) {
    std::string out = "[";
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (i != 0) out += ',';
        out += QuotedText(texts[i]);
    }
    return out + "]";
}

std::string IdentityJson(const ReportIdentity& id) {
    return "{\"vendor\":" + QuotedText(id.vendor) + ",\"product\":" + QuotedText(id.product) +
           ",\"revision\":" + QuotedText(id.revision) + ",\"vendorSpecific\":" + QuotedText(id.vendorSpecific) + "}";
}

std::string DecisionJson(const ReportDrive& d) {
    std::string out = "{\"matched\":" + Bool(d.matched) + ",\"from\":" + QuotedText(d.identity.revision);
    if (d.matched) {
        out += ",\"bank\":" + std::to_string(d.bank) + ",\"to\":" + QuotedText(d.to) + ",\"upToDate\":" + Bool(d.upToDate);
    }
    return out + "}";
}

std::string OutcomeJson(const ReportDrive& d) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.3f", d.seconds);
    return "{\"result\":" + QuotedText(d.result) + ",\"seconds\":" + seconds + ",\"error\":" + StringOrNull(d.error) +
           ",\"after\":" + (d.after ? IdentityJson(*d.after) : "null") +
           ",\"imageSha256\":" + StringOrNull(d.imageSha256) + "}";
}

std::string DriveJson(const ReportDrive& d) {
    std::string out = "{\"device\":" + QuotedText(d.device) + ",\"address\":" + QuotedText(d.address) +
                      ",\"answered\":true,\"identity\":" + IdentityJson(d.identity) +
                      ",\"decision\":" + DecisionJson(d) + ",\"chosen\":" + Bool(d.chosen) +
                      ",\"chipId\":" + StringOrNull(d.chipId);
    if (!d.result.empty()) out += ",\"outcome\":" + OutcomeJson(d);
    return out + "}";
}

std::string BanksJson(const std::vector<ReportBank>& banks) {
    std::string out = "[";
    for (std::size_t i = 0; i < banks.size(); ++i) {
        const ReportBank& b = banks[i];
        if (i != 0) out += ',';
        out += "{\"bank\":" + std::to_string(b.bank) + ",\"start\":" + std::to_string(b.start) +
               ",\"size\":" + std::to_string(b.size) + ",\"newRevision\":" + QuotedText(b.newRevision) +
               ",\"sha256\":" + StringOrNull(b.sha256) + "}";
    }
    return out + "]";
}

}  // namespace

std::string ReportJsonText(const UnattendedReport& report) {
    std::string drives = "[";
    for (std::size_t i = 0; i < report.drives.size(); ++i) {
        if (i != 0) drives += ',';
        drives += DriveJson(report.drives[i]);
    }
    drives += "]";
    return "{\"program\":\"norvek\",\"version\":" + QuotedText(NORVEK_VERSION) +
           ",\"command\":\"flash\",\"dryRun\":false,\"file\":{\"title\":" + QuotedText(report.title) +
           ",\"version\":" + QuotedText(report.version) + ",\"driveName\":" + QuotedText(report.driveName) +
           ",\"banks\":" + BanksJson(report.banks) + "},\"drives\":" + drives + ",\"errors\":" + Strings(report.errors) +
           ",\"warnings\":" + Strings(report.warnings) + ",\"exitCode\":" + std::to_string(report.exitCode) +
           ",\"log\":" + StringOrNull(report.logPath) + "}\n";
}

bool WriteReport(const UnattendedReport& report, const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (file == nullptr) return false;
    const std::string text = ReportJsonText(report);
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}
