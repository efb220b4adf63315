#include "run_log_text.h"

#include "src/drive/run_log_lines.h"
#include "src/drive/transport/sg_io/sg_answer_text.h"

namespace nflash {
namespace {

const char* DeliveryWord(Delivery delivery) {
    switch (delivery) {
        case Delivery::Sent: return "command";
        case Delivery::Planned: return "planned";
        case Delivery::Withheld: return "withheld";
    }
    return "?";
}

}  // namespace

std::string LogLabel(const OpticalDrive& drive) { return drive.CommandPath().filename().string(); }

std::string StartLogLine(const std::string& commandLine) {
    return std::string("norvek-flash ") + NORVEK_VERSION + ": " + commandLine;
}

std::vector<std::string> FileLogLines(const FileReport& f) {
    std::vector<std::string> lines{"file " + f.path + " sha256 " + f.sha256,
                                   "package \"" + f.title + "\" version " + f.version + " for " + f.driveName,
                                   "loaders " + f.loaderSet + " sha256 " + f.loaderSha256,
                                   "integrity " + IntegrityText(f)};
    for (const BankReport& b : f.banks) {
        lines.push_back("bank " + std::to_string(b.bank) + " start " + std::to_string(b.start) + " size " +
                        std::to_string(b.size) + " new revision " + b.newRevision + " image sha256 " + b.sha256);
    }
    return lines;
}

std::string PowerLogLine(const PowerState& state) { return "power: " + PowerStateText(state); }

std::string WarningLogLine(const std::string& warning) { return "warning: " + warning; }

std::string IdentityLogLine(const DriveReport& r) {
    std::string line = "identity " + LogLabel(r.drive) + " " + r.drive.address.Text() + " " + r.drive.Nodes() + ": ";
    line += r.answered ? IdentityLogText(r.identity.vendor, r.identity.product, r.identity.revision,
                                         r.identity.vendorSpecific)
                       : "no answer (" + r.problem + "), sysfs says " + r.identity.Text();
    line += r.chipId ? ", chip " + ChipText(*r.chipId) : ", no chip identity";
    return line + "; decision: " + r.decision.Text();
}

std::string CommandLogLine(const std::string& label, const CommandRequest& request, const CommandResult& result,
                           Delivery delivery, const SgIoAnswer* answer) {
    const std::string line = CommandLogHead(DeliveryWord(delivery), label, request);
    if (delivery == Delivery::Planned) return line + " (dry run: not sent)";
    if (delivery == Delivery::Withheld) return line + " (cancelled: not sent)";
    return line + CommandLogTail(result) + (answer != nullptr ? ": " + DescribeAnswer(*answer) : "");
}

std::string FlashLogLine(const DriveReport& r, std::int32_t imageSize, bool bootCode) {
    return FlashLogText(LogLabel(r.drive), r.decision.bank, imageSize, r.imageSha256, bootCode);
}

std::string RescanLogLine(const OpticalDrive& drive, const std::string& problem) {
    return "rescan " + drive.address.Text() + (problem.empty() ? "" : ": " + problem);
}

std::string ResultLogLine(const DriveReport& r) {
    std::string line = "result " + LogLabel(r.drive) + " " + ResultName(r.result);
    if (r.after) line += ", after: " + QuotedIdentityText(r.after->vendor, r.after->product, r.after->revision);
    if (!r.error.empty()) line += ": " + r.error;
    return line;
}

std::string ErrorLogLine(const std::string& error) { return "error " + error; }

std::string ExitLogLine(ExitCode code) { return "exit " + std::to_string(Code(code)); }

}  // namespace nflash
