// The test build's machine roots, from the environment. Only the test
// build (norvek-flash-test, the tests' program) is linked with this: the
// released program ignores these variables, so a leftover one (think of
// sudo -E) cannot point it at a sysfs, /dev or /proc of someone's making.
//   NORVEK_SYSFS_ROOT  instead of /sys
//   NORVEK_DEV_ROOT    instead of /dev
//   NORVEK_PROC_ROOT   instead of /proc
#pragma once

#include "linux/system_paths.h"

namespace nflash {

// The defaults, with each override the environment sets (empty values
// count as unset).
SystemPaths RootsFromEnvironment();

}  // namespace nflash
