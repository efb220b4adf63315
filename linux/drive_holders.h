// Who else has a drive: the mounts of its block device and the programs
// with one of its nodes open. A drive being flashed must have neither: a
// mounted file system or a burning program would send commands of its own
// between the pieces, and an automounter would mount the drive when the
// firmware reset makes its disc reappear.
#pragma once

#include <string>
#include <vector>

#include "optical_drive.h"
#include "system_paths.h"

namespace nflash {

// "mounted at /media/disc (iso9660)" for each mount of the drive's block
// device (by its number), from <proc>/self/mountinfo as libmount reads it.
std::vector<std::string> MountsOf(const SystemPaths& paths, const OpticalDrive& drive);

// "process 812 (udisksd)" for every process (other than this one) with one
// of the drive's nodes open (sg, sr or bsg, by device number, under any
// name), from <proc>/<pid>/fd; processes whose file descriptors this user
// may not read are not seen.
std::vector<std::string> ProcessesHolding(const SystemPaths& paths, const OpticalDrive& drive);

// Mounts and processes, one clause each, joined by "; "; empty when none.
std::string DescribeHolders(const SystemPaths& paths, const OpticalDrive& drive);

}  // namespace nflash
