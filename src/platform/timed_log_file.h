// The file a run log is written to, in the one line format both editions
// use: "+SECONDS TEXT", the seconds since the file was opened (six decimals),
// each line flushed as it is written so that a crash or a power cut leaves
// everything up to it. Thread-safe: every flash worker writes to it.
#pragma once

#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

class TimedLogFile {
public:
    // Appends to `path`. Nothing, and "cannot write PATH: REASON" in
    // `problem`, when the file cannot be opened.
    static std::unique_ptr<TimedLogFile> Open(const std::string& path, std::string& problem);
    ~TimedLogFile();
    TimedLogFile(const TimedLogFile&) = delete;
    TimedLogFile& operator=(const TimedLogFile&) = delete;

    void Line(const std::string& text);
    // Everything written so far on the disk, not only in the system's cache.
    void Sync();

private:
    explicit TimedLogFile(std::FILE* file);

    std::FILE* file_;
    std::mutex mutex_;
    std::chrono::steady_clock::time_point start_;
};
