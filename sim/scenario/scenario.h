// The scenario file: the virtual drives a test serves and where, and the
// options of the ASPI manager that serves them. One reader for every server
// of virtual drives (the test WNASPI32.DLL, the Linux preload library, the
// TCM-User target); the format is described in sim/aspi-dll/README.md.
#pragma once

#include <cstdint>
#include <istream>
#include <stdexcept>
#include <string>
#include <vector>

#include "sim/vdrive/drive_config.h"

namespace scenariofile {

struct DriveSlot {
    int adapter = 0;
    int target = 0;
    int lun = 0;
    vdrive::DriveConfig config;
};

struct Scenario {
    std::uint8_t supportStatus = 0x01;  // SS_COMP: a working manager
    int adapterCount = 0;               // at least one past the highest drive's adapter
    // 0: each request completes on its drive's thread, which then sets the
    // event. Otherwise a request the drive answers without latency completes
    // inside SendASPI32Command and its event is set this many milliseconds
    // later.
    int eventSignalDelayMs = 0;
    // A CHECK CONDITION ends in SS_COMP with the sense area filled, as some
    // managers report it.
    bool checkConditionCompletes = false;
    // The event is set before the final status is written, which follows
    // a moment later.
    bool signalBeforeStatus = false;
    // Not 0: every SC_EXEC_SCSI_CMD is refused with this return code
    // (SS_ASPI_IS_BUSY, an error) and its SRB_Status is left alone.
    int refuseWith = 0;
    std::vector<DriveSlot> drives;
};

class ScenarioError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws ScenarioError naming the line of the first mistake.
Scenario ParseScenario(std::istream& in);

// The file at `path`; throws ScenarioError ("cannot open PATH", or the
// first mistake).
Scenario LoadScenario(const std::string& path);

// "scenario PATH drives=N adapters=M": the first line of every drive log.
std::string Summary(const std::string& path, const Scenario& scenario);

}  // namespace scenariofile
