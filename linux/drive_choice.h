// Which drives a flash may touch, chosen from the survey before anything is
// sent to any drive: by the nodes --device names, or by the decision the
// package gives on the identity sysfs reports.
#pragma once

#include <string>
#include <vector>

#include "options.h"
#include "run_report.h"

namespace nflash {

struct Candidates {
    std::vector<std::size_t> indexes;  // into the survey, in its order, each once
    ExitCode code = ExitCode::Success;
    std::string problem;  // when there are none
};

// --device: those nodes (sg or sr, under any name that resolves to one), in
// the order given; one that is no surveyed drive's node chooses nothing
// (BadInput). --all-matched: every drive the package admits; neither: the
// first such drive, as the window selects it; none admitted chooses nothing
// (NothingToDo, the window's text with the drives found). Nothing is sent
// to choose.
Candidates ChooseCandidates(const std::vector<DriveReport>& drives, const Options& options,
                            const std::string& driveName);

}  // namespace nflash
