// One drive's flash, on the thread that runs it: the window's worker body
// (FlashFirmware over the drive's own session) behind the run's gate, with
// every command logged and followed for the progress line, then the wait
// for the drive to answer again with its new revision.
#pragma once

#include <cstdint>

#include "flash_progress.h"
#include "gated_transport.h"
#include "program_context.h"
#include "run_report.h"
#include "src/drive/transport/sg_io/sg_io_transport.h"

namespace nflash {

// What one drive is to receive: the loaders, its bank's image, the commit form, and
// whether the run really changes it or only shows what it would send.
struct FlashOrder {
    // The updater file's checked loader store; the file outlives the run.
    const std::uint8_t* loaders = nullptr;
    const std::uint8_t* image = nullptr;
    std::int32_t imageSize = 0;
    bool bootCode = false;
    RunMode mode = RunMode::Flash;
};

// Flashes the drive behind `transport` (the caller holds it open for the
// whole call) as `order` says, and writes the outcome into `report`:
// result, error, passes, seconds, the identity afterwards and, in a dry
// run, the plan. `index` is the drive's place in the run's control, which
// may cancel it before its first changing command. Every command goes to
// the run log and to `progress`. Nothing is retried here beyond the procedure's own repeats (readiness
// waits, up to three write-and-verify passes); after a commit the drive is
// asked once a second for context.answerWaitSeconds.
void FlashOneDrive(DriveReport& report, std::size_t index, SgIoTransport& transport, const FlashOrder& order,
                   FlashProgress& progress, ProgramContext& context);

}  // namespace nflash
