// The two commands of norvek-flash. Each returns the run's report, whose
// code is the exit code; what it says on the way goes through the console.
#pragma once

#include "console.h"
#include "options.h"
#include "program_context.h"
#include "run_report.h"

namespace nflash {

RunReport RunList(const Options& options, ProgramContext& context, Console& console);
RunReport RunFlash(const Options& options, ProgramContext& context, Console& console);

// What the signal thread says when a run is interrupted.
std::string InterruptionText(const Interruption& what, const RunControl& control);

}  // namespace nflash
