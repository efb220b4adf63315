// Where a run's log goes, and whether a run may go on without one.
//
// - `list` writes a log only when --log names one: it changes nothing, and
//   a log per look at the drives would only fill the folder.
// - --log FILE: that file, appended to; a file that cannot be written
//   refuses the run before anything is sent (a user who asked for evidence
//   must get it).
// - otherwise a new file named after the time and the process, in
//   <log root>/norvek-flash (/var/log/norvek-flash) when the effective user
//   is root, created 0755 with files 0644 so that support can read it; for
//   any other user in $XDG_STATE_HOME/norvek-flash (or
//   ~/.local/state/norvek-flash). A root run never writes into a home
//   folder, so no root-owned folder is left in a user's home (sudo keeps
//   HOME and XDG_STATE_HOME of the user). When the folder cannot be made
//   the run goes on with a warning.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "options.h"
#include "run_log_file.h"
#include "system_paths.h"

namespace nflash {

struct LogChoice {
    std::unique_ptr<RunLogFile> log;  // none: no log for this run
    std::string problem;          // why there is none, when one was wanted
    bool refuse = false;          // --log could not be written: end the run (BadInput)
};

LogChoice OpenRunLogFor(const Options& options, const SystemPaths& paths, bool root);

// The default folder: <log root>/norvek-flash for root, else the user's
// state folder; nothing when neither XDG_STATE_HOME nor HOME is set.
std::optional<std::filesystem::path> DefaultLogDirectory(const SystemPaths& paths, bool root);

}  // namespace nflash
