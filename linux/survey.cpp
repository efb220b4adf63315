#include "survey.h"

#include <cstring>

#include "command_logging.h"
#include "drive_access.h"
#include "run_log_text.h"
#include "stoppable_transport.h"
#include "sysfs_discovery.h"

namespace nflash {
namespace {

constexpr char kNotReadText[] = "not read: the run was interrupted";

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
    ObservedTransport logged = LoggedTransport(context, r.drive, transport);
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
        if (context.log != nullptr) context.log->Line(IdentityLogLine(r));
    }
}

}  // namespace nflash
