// The real norvek-flash as a child process: its arguments, environment and
// input, and what it wrote, how it ended, and how long it took.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <map>
#include <string>
#include <vector>

namespace e2e {

struct Finished {
    int exitCode = -1;  // -1 when it ended by a signal
    std::string out;
    std::string err;
    double seconds = 0.0;
};

class ChildProcess {
public:
    // Starts `argv` with the parent's environment plus `env` (an empty value
    // removes the variable), `input` on its standard input.
    ChildProcess(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
                 const std::string& input = "");
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    void Signal(int signal) const;
    // Waits for the end (killing it after `limit`), collecting its output.
    Finished Wait(std::chrono::seconds limit = std::chrono::seconds(120));
    // CLOCK_MONOTONIC nanoseconds just before the child was started.
    long long StartedAt() const { return startedAt_; }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    long long startedAt_ = 0;
    std::chrono::steady_clock::time_point start_;
};

Finished RunToEnd(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
                  const std::string& input = "");

}  // namespace e2e
