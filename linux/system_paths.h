// Where the program looks at the machine: the sysfs tree, the device nodes
// and /proc. The released program looks only at the real ones; a test
// build of it (norvek-flash-test) can be given others, so the tests can run
// it against a machine of their own making.
#pragma once

#include <filesystem>

namespace nflash {

struct SystemPaths {
    std::filesystem::path sys = "/sys";
    std::filesystem::path dev = "/dev";
    std::filesystem::path proc = "/proc";
    std::filesystem::path logRoot = "/var/log";  // where root's run logs go
};

}  // namespace nflash
