// Choosing the drives a flash may touch and checking each before anything
// is sent to any drive: the transfer limit, mounts, programs holding it,
// and an exclusive open that keeps everyone else out until the end.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "options.h"
#include "program_context.h"
#include "run_report.h"
#include "src/drive/transport/sg_io/sg_io_transport.h"

namespace nflash {

struct Candidates {
    std::vector<std::size_t> indexes;  // into the survey, in its order
    ExitCode code = ExitCode::Success;
    std::string problem;  // when there are none
};

// --device: those nodes (sg or sr); --all-matched: every drive the package
// admits by the identity sysfs gives; neither: the first such drive, as the
// window selects it. Nothing is sent to choose.
Candidates ChooseCandidates(const std::vector<DriveReport>& drives, const Options& options,
                            const std::string& driveName);

// What forbids flashing the drive, one sentence each: a transfer limit
// below the 16 KiB piece (or none known), a mount, a program with a node open.
std::vector<std::string> SafetyProblems(const DriveReport& drive, const SystemPaths& paths);

// A drive held for the flash: its command node opened with O_EXCL, and its
// block node claimed with O_EXCL as well, so no mount can start meanwhile.
struct HeldDrive {
    std::unique_ptr<SgIoTransport> transport;
    SgDeviceFile claim;
};

struct HeldDrives {
    std::map<std::size_t, HeldDrive> drives;
    std::vector<std::string> problems;  // a drive someone else holds: refuse
};

HeldDrives HoldForFlash(const std::vector<DriveReport>& drives, const std::vector<std::size_t>& candidates,
                        ProgramContext& context);

}  // namespace nflash
