// Ctrl-C, SIGTERM, SIGHUP and SIGQUIT, taken on a thread of their own.
//
// BlockRunSignals() must run in main before any other thread exists: every
// thread then inherits the blocked set, so no handler ever runs inside a
// worker. It also ignores SIGPIPE: a closed output (`| head`, a dropped SSH
// link) must lose only output, never end the program between the loader and
// the commit. The watcher thread takes the signals one by one with
// sigtimedwait and hands each to the callback, on its own thread.
//
// Stop signals are a separate matter: SIGSTOP cannot be blocked, so the
// transport is built to survive one (host_sg_system.cpp); the job-control
// stops a terminal sends (Ctrl-Z's SIGTSTP, SIGTTIN, SIGTTOU) are ignored
// while a flash runs (JobControlStopsIgnored), as a drive left waiting
// between its loader and its commit is one accident away from a brick.
#pragma once

#include <signal.h>

#include <atomic>
#include <cstddef>
#include <functional>
#include <thread>

namespace nflash {

void BlockRunSignals();

// Ignores SIGTSTP, SIGTTIN and SIGTTOU while it lives, process-wide, and
// puts back what was there before.
class JobControlStopsIgnored {
public:
    JobControlStopsIgnored();
    ~JobControlStopsIgnored();
    JobControlStopsIgnored(const JobControlStopsIgnored&) = delete;
    JobControlStopsIgnored& operator=(const JobControlStopsIgnored&) = delete;

    static constexpr std::size_t kStopCount = 3;

private:
    struct sigaction before_[kStopCount];
};

class SignalWatcher {
public:
    explicit SignalWatcher(std::function<void(int)> onSignal);
    ~SignalWatcher();
    SignalWatcher(const SignalWatcher&) = delete;
    SignalWatcher& operator=(const SignalWatcher&) = delete;

private:
    void Watch();

    std::function<void(int)> onSignal_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace nflash
