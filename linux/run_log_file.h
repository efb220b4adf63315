// The file a run's log is written to: every command with its outcome (sense
// decoded), its time, the image's SHA-256 and the drives' identities before
// and after, so a failure can be sent to the vendor with evidence. What each
// line says is run_log_text.h's; where the file goes, run_log_place.h's.
//
// Lines are written and flushed as they happen (TimedLogFile), so a crash
// leaves everything up to it; Sync() puts them on the disk as well, at the
// moments a power cut would cost the most (the STOP, the last verified
// piece, the commit). Thread-safe: every drive's flash writes to it.
#pragma once

#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "src/platform/timed_log_file.h"

namespace nflash {

class RunLogFile {
public:
    // Appends to `path`; with `readable` the file gets mode 0644 whatever
    // the umask. Nothing, and a reason in `problem`, when the file cannot
    // be written.
    static std::unique_ptr<RunLogFile> Open(const std::filesystem::path& path, bool readable, std::string& problem);
    // "norvek-flash-20261208T201500-4711.log": the time and the process.
    static std::string NewFileName();

    const std::filesystem::path& Path() const { return path_; }
    // One line, prefixed with the seconds since the log was opened.
    void Line(const std::string& text);
    // Everything written so far on the disk (fsync).
    void Sync();
    // The last line written before each Sync(), in order.
    std::vector<std::string> SyncedAfter() const;

private:
    RunLogFile(std::filesystem::path path, std::unique_ptr<TimedLogFile> file);

    std::filesystem::path path_;
    std::unique_ptr<TimedLogFile> file_;
    mutable std::mutex mutex_;
    std::string last_;
    std::vector<std::string> synced_;
};

}  // namespace nflash
