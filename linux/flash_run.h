// The flash of the chosen drives: one thread per drive, as the Windows
// program runs one worker per drive, with their progress on the console.
#pragma once

#include <vector>

#include "console.h"
#include "program_context.h"
#include "run_report.h"
#include "safety.h"
#include "updater_file.h"

namespace nflash {

void FlashChosenDrives(RunReport& report, HeldDrives& held, const UpdaterFile& file, RunMode mode,
                       ProgramContext& context, Console& console);

// After an --all-matched run, the drives that were not flashed are asked
// for their identity too, as the window re-inquires every drive after an
// automatic run.
void ReinquireOthers(RunReport& report, ProgramContext& context);

// Failed if any drive failed, else RevisionMismatch if any drive came back
// with another revision than its bank's, else Cancelled if any was
// cancelled, else Success.
ExitCode RunOutcome(const RunReport& report);

}  // namespace nflash
