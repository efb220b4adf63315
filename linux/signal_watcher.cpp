#include "signal_watcher.h"

#include <csignal>
#include <ctime>
#include <iterator>

namespace nflash {
namespace {

sigset_t RunSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&set, signal);
    return set;
}

constexpr int kJobControlStops[] = {SIGTSTP, SIGTTIN, SIGTTOU};
static_assert(std::size(kJobControlStops) == JobControlStopsIgnored::kStopCount);

// How often the watcher looks whether it should end.
constexpr long kPollNanoseconds = 100'000'000;

}  // namespace

void BlockRunSignals() {
    std::signal(SIGPIPE, SIG_IGN);
    const sigset_t set = RunSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

JobControlStopsIgnored::JobControlStopsIgnored() {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    for (std::size_t i = 0; i < std::size(kJobControlStops); ++i) sigaction(kJobControlStops[i], &ignore, &before_[i]);
}

JobControlStopsIgnored::~JobControlStopsIgnored() {
    for (std::size_t i = 0; i < std::size(kJobControlStops); ++i) sigaction(kJobControlStops[i], &before_[i], nullptr);
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
