// Finds the optical drives in sysfs: every SCSI device of peripheral type 5
// (CD/DVD) under <sysfs>/bus/scsi/devices, with its identity, its sg and sr
// nodes and its transfer limit. Reading sysfs sends nothing to any drive.
//
// Order: ascending host, channel, target, lun (numerically, so 10:0:0:0
// follows 2:0:0:0). It is the kernel's addressing, so the list does not
// change between runs unless the hardware does, and it is the order the
// window gives the same drives (by adapter, bus, target, lun).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "optical_drive.h"
#include "system_paths.h"

namespace nflash {

// "H:C:T:L" as an address; nothing for any other name (hosts, targets).
std::optional<ScsiAddress> ParseScsiAddress(const std::string& name);

std::vector<OpticalDrive> DiscoverOpticalDrives(const SystemPaths& paths);

}  // namespace nflash
