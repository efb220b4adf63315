#include "exit_precedence.h"

#include <algorithm>

namespace nflash {

ExitCode RunOutcome(const RunReport& report) {
    for (const ResultExit& row : kExitPrecedence) {
        const bool any = std::any_of(report.drives.begin(), report.drives.end(),
                                     [&](const DriveReport& r) { return r.result == row.result; });
        if (any) return row.code;
    }
    return ExitCode::Success;
}

}  // namespace nflash
