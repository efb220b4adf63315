// The exit codes of norvek-flash (also in the man page and the README): the
// project's codes, shared with the Windows program.
#pragma once

#include "src/platform/exit_codes.h"

namespace nflash {

using norvek::Code;
using norvek::ExitCode;

}  // namespace nflash
