// Ctrl-C, SIGTERM, SIGHUP and SIGQUIT, taken on a thread of their own.
//
// BlockRunSignals() must run in main before any other thread exists: every
// thread then inherits the blocked set, so no handler ever runs inside a
// worker, and above all no SG_IO call is ever interrupted (the sg driver
// would orphan the command while the drive still runs it). The watcher
// thread takes the signals one by one with sigtimedwait and hands each to
// the callback, on its own thread.
#pragma once

#include <atomic>
#include <functional>
#include <thread>

namespace nflash {

void BlockRunSignals();

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
