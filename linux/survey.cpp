#include "survey.h"

#include <cstdio>
#include <cstring>

#include "drive_access.h"
#include "observed_transport.h"
#include "src/drive/run_log_lines.h"
#include "src/drive/transport/sg_io/sg_answer_text.h"
#include "stoppable_transport.h"
#include "sysfs_discovery.h"
#include "wire_command.h"

namespace nflash {
namespace {

constexpr char kNotReadText[] = "not read: the run was interrupted";

std::string Label(const DriveReport& r) { return r.drive.CommandPath().filename().string(); }

void LogReading(ProgramContext& context, const DriveReport& r) {
    if (context.log == nullptr) return;
    std::string line = "identity " + Label(r) + " " + r.drive.address.Text() + " " + r.drive.Nodes() + ": ";
    line += r.answered ? IdentityLogText(r.identity.vendor, r.identity.product, r.identity.revision,
                                         r.identity.vendorSpecific)
                       : "no answer (" + r.problem + "), sysfs says " + r.identity.Text();
    line += r.chipId ? ", chip " + ChipText(*r.chipId) : ", no chip identity";
    line += "; decision: " + r.decision.Text();
    context.log->Line(line);
}

// Why a drive gave no identity: the time-out, the system call, or the drive.
std::string NoIdentity(const StoppableTransport& stoppable, const SgIoTransport& transport) {
    if (stoppable.TimedOut()) {
        return "no identity: no answer within " + std::to_string(kIdentityTimeoutSeconds) + " s";
    }
    if (const int error = transport.LastAnswer().error; error != 0) {
        return std::string("no identity: the SG_IO ioctl failed: ") + std::strerror(error);
    }
    return "no identity: the drive did not answer INQUIRY";
}

void ReadOne(DriveReport& r, SgIoTransport& transport, const pkg::PackageReader& package, ProgramContext& context) {
    ObservedTransport logged(transport, LoggingObserver(context, Label(r), transport));
    StoppableTransport stoppable(logged, context.control);
    const DriveReading reading = ReadDrive(stoppable, package);
    r.chipId = reading.chipId;
    r.answered = reading.answered;
    if (reading.answered) {
        r.identity = reading.identity;
        r.decision = Decide(r.identity, package);
    } else if (context.control.Interrupted()) {
        r.problem = kNotReadText;
    } else {
        r.problem = NoIdentity(stoppable, transport);
    }
}

}  // namespace

std::string CommandLogLine(const std::string& label, const CommandRequest& request, const CommandResult& result,
                           Delivery delivery, const SgIoAnswer* answer) {
    const char* word = delivery == Delivery::Sent ? "command" : delivery == Delivery::Planned ? "planned" : "withheld";
    const std::string line = CommandLogHead(word, label, request);
    if (delivery == Delivery::Planned) return line + " (dry run: not sent)";
    if (delivery == Delivery::Withheld) return line + " (cancelled: not sent)";
    return line + CommandLogTail(result) + (answer != nullptr ? ": " + DescribeAnswer(*answer) : "");
}

CommandObserver LoggingObserver(ProgramContext& context, const std::string& label, SgIoTransport& transport) {
    return [&context, label, &transport](const CommandRequest& request, const CommandResult& result, Delivery d) {
        if (context.log == nullptr) return;
        const SgIoAnswer* answer = d == Delivery::Sent ? &transport.LastAnswer() : nullptr;
        context.log->Line(CommandLogLine(label, request, result, d, answer));
    };
}

void WarnAboutMissingSgNodes(RunReport& report, Console& console) {
    for (const DriveReport& r : report.drives) {
        if (!r.drive.sgPath.empty()) continue;
        report.warnings.push_back(r.drive.address.Text() + " has no sg node (only " + r.drive.srPath.string() +
                                  "): the sg driver is not loaded; load it with modprobe sg");
        console.Warn(report.warnings.back());
    }
}

std::vector<DriveReport> SurveyDrives(const SystemPaths& paths, const pkg::PackageReader& package) {
    std::vector<DriveReport> reports;
    for (OpticalDrive& drive : DiscoverOpticalDrives(paths)) {
        DriveReport r;
        r.identity = Identity{drive.vendor, drive.model, drive.revision, ""};
        r.decision = Decide(r.identity, package);
        r.drive = std::move(drive);
        reports.push_back(std::move(r));
    }
    return reports;
}

void ReadIdentities(std::vector<DriveReport>& drives, const std::map<std::size_t, SgIoTransport*>& open,
                    const pkg::PackageReader& package, ProgramContext& context) {
    for (std::size_t i = 0; i < drives.size(); ++i) {
        DriveReport& r = drives[i];
        if (context.control.Interrupted()) {
            r.problem = kNotReadText;
            continue;
        }
        if (const auto given = open.find(i); given != open.end()) {
            ReadOne(r, *given->second, package, context);
        } else {
            OpenedDevice opened = OpenSgDevice(context.system, r.drive.CommandPath().string(), OpenMode::Shared);
            if (opened.error != 0) {
                r.problem = "cannot open " + r.drive.CommandPath().string() + ": " + std::strerror(opened.error);
            } else {
                SgIoTransport transport(std::move(opened.file));
                ReadOne(r, transport, package, context);
            }
        }
        LogReading(context, r);
    }
}

}  // namespace nflash
