// The drives of a flash, held from before their identities are read until
// the run ends: each one's command node opened with O_EXCL, and its block
// node claimed with O_EXCL as well (when it has both), so no mount and no
// other program that opens exclusively can start on it meanwhile.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "program_context.h"
#include "run_report.h"
#include "src/drive/transport/sg_io/sg_io_transport.h"

namespace nflash {

// Owns both descriptors; closing them (destruction) lets the drive go.
struct HeldDrive {
    std::unique_ptr<SgIoTransport> transport;
    SgDeviceFile claim;
};

struct HeldDrives {
    std::map<std::size_t, HeldDrive> drives;  // by index into the survey
    std::vector<std::string> problems;        // a drive that could not be held: refuse
};

// Holds every candidate, or none: when one cannot be opened (another
// program holds it, EBUSY, named with what is known of it; or any other
// error) the others are let go again and `problems` says why for each.
// Nothing is sent and nothing is retried.
HeldDrives HoldForFlash(const std::vector<DriveReport>& drives, const std::vector<std::size_t>& candidates,
                        ProgramContext& context);

}  // namespace nflash
