// The flash of the chosen drives: one thread per drive, each with a drive
// flash of its own (drive_flash.h), their progress on the console, and
// each drive's start and result in the run log.
#pragma once

#include "console.h"
#include "held_drives.h"
#include "program_context.h"
#include "run_report.h"
#include "updater_file.h"

namespace nflash {

// Flashes every chosen drive of `report` through its transport in `held`
// (which must hold each of them) and returns when all are done; each
// drive's outcome is in its DriveReport. A drive whose thread fails with
// an exception is reported failed; the others go on.
void FlashChosenDrives(RunReport& report, HeldDrives& held, const UpdaterFile& file, RunMode mode,
                       ProgramContext& context, Console& console);

}  // namespace nflash
