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

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace nflash {

class RunLog {
public:
    // Nothing, and a reason in `problem`, when the file cannot be made.
    static std::unique_ptr<RunLog> Open(const std::optional<std::filesystem::path>& requested, std::string& problem);

    const std::filesystem::path& Path() const { return path_; }
    // One line, prefixed with the seconds since the log was opened.
    void Line(const std::string& text);

private:
    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    RunLog(std::filesystem::path path, std::FILE* file);

    std::filesystem::path path_;
    std::unique_ptr<std::FILE, Closer> file_;
    std::mutex mutex_;
    std::chrono::steady_clock::time_point start_;
};

// $XDG_STATE_HOME/norvek-flash, ~/.local/state/norvek-flash, or nothing
// when neither variable is set.
std::optional<std::filesystem::path> DefaultLogDirectory();

}  // namespace nflash
