// What a run of norvek-flash works with, given from outside so the tests can
// give their own: the machine's roots, the system calls behind SG_IO, the
// streams, the run's interruption state, the privileges and the log.
#pragma once

#include <iosfwd>
#include <memory>

#include "privileges.h"
#include "run_control.h"
#include "run_log_file.h"
#include "src/drive/transport/sg_io/sg_system.h"
#include "system_paths.h"

namespace nflash {

struct ProgramContext {
    SystemPaths paths;
    SgSystem& system;
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    int inputFd = -1;       // `in`'s descriptor, to wait on it with the wake descriptor; -1: read it directly
    bool terminal = false;  // progress is redrawn in place rather than written as lines
    RunControl& control;
    RunLogFile* log = nullptr;  // none when it could not be opened
    // What the kernel grants this process (the program reads it once at
    // its start; in-process tests give their own).
    Privileges privileges;
    // How long a drive may take to answer again after its commit (it resets
    // and reloads its firmware) before the run calls it failed.
    int answerWaitSeconds = 120;
};

}  // namespace nflash
