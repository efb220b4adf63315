#include "signal_watcher.h"

#include <csignal>
#include <ctime>

namespace nflash {
namespace {

sigset_t RunSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&set, signal);
    return set;
}

// How often the watcher looks whether it should end.
constexpr long kPollNanoseconds = 100'000'000;

}  // namespace

void BlockRunSignals() {
    const sigset_t set = RunSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

SignalWatcher::SignalWatcher(std::function<void(int)> onSignal)
    : onSignal_(std::move(onSignal)), thread_([this] { Watch(); }) {}

SignalWatcher::~SignalWatcher() {
    stop_ = true;
    thread_.join();
}

void SignalWatcher::Watch() {
    const sigset_t set = RunSignals();
    const timespec poll{0, kPollNanoseconds};
    while (!stop_) {
        const int signal = sigtimedwait(&set, nullptr, &poll);
        if (signal > 0 && onSignal_) onSignal_(signal);
    }
}

}  // namespace nflash
