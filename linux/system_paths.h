// Where the program looks at the machine: the sysfs tree, the device nodes
// and /proc. Each root can be moved by an environment variable, so tests
// (and anyone reproducing a report) can give the program a machine of their
// own making:
//   NORVEK_SYSFS_ROOT  instead of /sys   (as libudev's SYSFS_PATH once did)
//   NORVEK_DEV_ROOT    instead of /dev
//   NORVEK_PROC_ROOT   instead of /proc
//   NORVEK_LOG_ROOT    instead of /var/log (where root's run logs go)
#pragma once

#include <filesystem>

namespace nflash {

struct SystemPaths {
    std::filesystem::path sys = "/sys";
    std::filesystem::path dev = "/dev";
    std::filesystem::path proc = "/proc";
    std::filesystem::path logRoot = "/var/log";

    // The defaults, with each override the environment sets (empty values
    // count as unset).
    static SystemPaths FromEnvironment();
};

}  // namespace nflash
