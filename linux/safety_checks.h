// What forbids flashing a drive, checked from sysfs and /proc before
// anything is sent to any drive: a transfer limit that cannot carry a
// whole piece, a mounted file system, a program with one of its nodes open.
#pragma once

#include <string>
#include <vector>

#include "run_report.h"
#include "system_paths.h"

namespace nflash {

// One sentence per problem, naming the drive's command node; empty when the
// drive may be flashed. A transfer limit that cannot be read counts as a
// problem: the kernel refuses a piece over the limit, and only once the
// drive has been stopped and given its loader.
std::vector<std::string> SafetyProblems(const DriveReport& drive, const SystemPaths& paths);

}  // namespace nflash
