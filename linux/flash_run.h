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

}  // namespace nflash
