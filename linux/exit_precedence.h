// The exit code of a flash whose chosen drives ended differently. The
// table is read top down and the first row whose result any chosen drive
// has decides, so the worst news wins: automation must learn that a drive
// failed even when another was cancelled. A new result is one row, put
// where its urgency belongs. The README and the man page state the same
// order.
#pragma once

#include <array>

#include "exit_codes.h"
#include "run_report.h"

namespace nflash {

struct ResultExit {
    DriveResult result;
    ExitCode code;
};

inline constexpr std::array kExitPrecedence{
    ResultExit{DriveResult::Failed, ExitCode::DriveFailed},
    ResultExit{DriveResult::RevisionMismatch, ExitCode::RevisionMismatch},
    ResultExit{DriveResult::Cancelled, ExitCode::Cancelled},
    ResultExit{DriveResult::Flashed, ExitCode::Success},
    ResultExit{DriveResult::Planned, ExitCode::Success},
};

// The code of the first row of kExitPrecedence that any drive's result
// has; Success when no drive took part.
ExitCode RunOutcome(const RunReport& report);

}  // namespace nflash
