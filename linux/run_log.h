// The log of a run: every command with its outcome (sense decoded), its
// time, the image's SHA-256 and the drives' identities before and after, in
// a file of its own, so a failure can be sent to the vendor with evidence.
//
// Where: the path --log names, else a new file in the user's state
// directory ($XDG_STATE_HOME/norvek-flash, or ~/.local/state/norvek-flash),
// named after the time and the process. Lines are written and flushed as
// they happen, so a crash or a power cut leaves everything up to it.
// Thread-safe: every worker writes to it.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "src/platform/timed_log_file.h"

namespace nflash {

class RunLog {
public:
    // Nothing, and a reason in `problem`, when the file cannot be made.
    static std::unique_ptr<RunLog> Open(const std::optional<std::filesystem::path>& requested, std::string& problem);

    const std::filesystem::path& Path() const { return path_; }
    // One line, prefixed with the seconds since the log was opened.
    void Line(const std::string& text) { file_->Line(text); }

private:
    RunLog(std::filesystem::path path, std::unique_ptr<TimedLogFile> file);

    std::filesystem::path path_;
    std::unique_ptr<TimedLogFile> file_;
};

// $XDG_STATE_HOME/norvek-flash, ~/.local/state/norvek-flash, or nothing
// when neither variable is set.
std::optional<std::filesystem::path> DefaultLogDirectory();

}  // namespace nflash
