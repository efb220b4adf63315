#include "environment_roots.h"

#include <cstdlib>

namespace nflash {
namespace {

void Override(std::filesystem::path& root, const char* variable) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') root = value;
}

}  // namespace

SystemPaths RootsFromEnvironment() {
    SystemPaths paths;
    Override(paths.sys, "NORVEK_SYSFS_ROOT");
    Override(paths.dev, "NORVEK_DEV_ROOT");
    Override(paths.proc, "NORVEK_PROC_ROOT");
    Override(paths.logRoot, "NORVEK_LOG_ROOT");
    return paths;
}

}  // namespace nflash
