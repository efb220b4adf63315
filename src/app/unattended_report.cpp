#include "unattended_report.h"

#include <cstdio>

namespace {

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte >= 0x7F) {
            // Drive fields are bytes of no known code page: every byte
            // outside printable ASCII is kept as the code point of its value.
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string Bool(bool value) { return value ? "true" : "false"; }

std::string StringOrNull(const std::string& text) { return text.empty() ? "null" : Quoted(text); }

std::string Strings(const std::vector<std::string>& texts) {
    std::string out = "[";
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (i != 0) out += ',';
        out += Quoted(texts[i]);
    }
    return out + "]";
}

std::string IdentityJson(const ReportIdentity& id) {
    return "{\"vendor\":" + Quoted(id.vendor) + ",\"product\":" + Quoted(id.product) +
           ",\"revision\":" + Quoted(id.revision) + ",\"vendorSpecific\":" + Quoted(id.vendorSpecific) + "}";
}

std::string DecisionJson(const ReportDrive& d) {
    std::string out = "{\"matched\":" + Bool(d.matched) + ",\"from\":" + Quoted(d.identity.revision);
    if (d.matched) {
        out += ",\"bank\":" + std::to_string(d.bank) + ",\"to\":" + Quoted(d.to) + ",\"upToDate\":" + Bool(d.upToDate);
    }
    return out + "}";
}

std::string OutcomeJson(const ReportDrive& d) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.3f", d.seconds);
    return "{\"result\":" + Quoted(d.result) + ",\"seconds\":" + seconds + ",\"error\":" + StringOrNull(d.error) +
           ",\"after\":" + (d.after ? IdentityJson(*d.after) : "null") +
           ",\"imageSha256\":" + StringOrNull(d.imageSha256) + "}";
}

std::string DriveJson(const ReportDrive& d) {
    std::string out = "{\"device\":" + Quoted(d.device) + ",\"address\":" + Quoted(d.address) +
                      ",\"answered\":true,\"identity\":" + IdentityJson(d.identity) +
                      ",\"decision\":" + DecisionJson(d) + ",\"chosen\":" + Bool(d.chosen) +
                      ",\"chipId\":" + StringOrNull(d.chipId);
    if (!d.result.empty()) out += ",\"outcome\":" + OutcomeJson(d);
    return out + "}";
}

}  // namespace

std::string ReportJsonText(const UnattendedReport& report) {
    std::string drives = "[";
    for (std::size_t i = 0; i < report.drives.size(); ++i) {
        if (i != 0) drives += ',';
        drives += DriveJson(report.drives[i]);
    }
    drives += "]";
    return "{\"program\":\"norvek\",\"version\":" + Quoted(NORVEK_VERSION) +
           ",\"command\":\"flash\",\"dryRun\":false,\"file\":{\"title\":" + Quoted(report.title) +
           ",\"version\":" + Quoted(report.version) + ",\"driveName\":" + Quoted(report.driveName) +
           "},\"drives\":" + drives + ",\"errors\":" + Strings(report.errors) +
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
