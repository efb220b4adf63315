// One virtual drive behind one TCM-User ring: every command the kernel hands
// over goes to the drive (vdrive::Drive) on this drive's own thread, after
// the drive's latency, and is logged twice: a "take" line when it arrives,
// and an "exec" line in the test ASPI DLL's format when it is answered, so
// logs of every tier compare line for line.
#pragma once

#include <memory>
#include <string>
#include <thread>

#include "sim/drive-log/request_log.h"
#include "sim/scenario/scenario.h"
#include "sim/vdrive/drive.h"
#include "tcmu_ring.h"

namespace tcmu {

class ServedDrive {
public:
    // Starts serving `ring` at once. `log` outlives the drive.
    ServedDrive(const scenariofile::DriveSlot& slot, std::unique_ptr<Ring> ring, drivelog::RequestLog& log);
    ~ServedDrive();
    ServedDrive(const ServedDrive&) = delete;
    ServedDrive& operator=(const ServedDrive&) = delete;

    const vdrive::Drive& Drive() const { return drive_; }
    const scenariofile::DriveSlot& Slot() const { return slot_; }

private:
    void Serve();
    Answer Execute(Command& command);

    scenariofile::DriveSlot slot_;
    vdrive::Drive drive_;
    std::unique_ptr<Ring> ring_;
    drivelog::RequestLog& log_;
    std::thread thread_;
};

}  // namespace tcmu
