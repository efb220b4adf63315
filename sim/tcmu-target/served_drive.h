// One virtual drive behind one TCM-User ring: every command the kernel hands
// over goes to the drive (vdrive::Drive) on this drive's own thread, after
// the drive's latency, and is logged twice: a "take" line when it arrives,
// and an "exec" line in the test ASPI DLL's format when it is answered, so
// logs of every tier compare line for line.
#pragma once

#include <memory>
#include <string>
#include <thread>

#include "sim/aspi-dll/request_log.h"
#include "sim/aspi-dll/scenario.h"
#include "sim/vdrive/drive.h"
#include "tcmu_ring.h"

namespace tcmu {

class ServedDrive {
public:
    // Starts serving `ring` at once. `log` outlives the drive.
    ServedDrive(const aspidll::DriveSlot& slot, std::unique_ptr<Ring> ring, aspidll::RequestLog& log);
    ~ServedDrive();
    ServedDrive(const ServedDrive&) = delete;
    ServedDrive& operator=(const ServedDrive&) = delete;

    const vdrive::Drive& Drive() const { return drive_; }
    const aspidll::DriveSlot& Slot() const { return slot_; }

private:
    void Serve();
    Answer Execute(Command& command);

    aspidll::DriveSlot slot_;
    vdrive::Drive drive_;
    std::unique_ptr<Ring> ring_;
    aspidll::RequestLog& log_;
    std::thread thread_;
};

}  // namespace tcmu
