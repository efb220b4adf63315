// One worker thread that runs jobs in order: the "hardware" of one host
// adapter, which finishes an ASPI request after the caller has been told it
// is pending.
//
// The thread is never joined. The DLL pins itself, so its code stays mapped
// until the process ends, and at process exit the system has already stopped
// every thread before the DLL hears of it; joining there would wait forever.
// So a queue, once made, must live until the process ends.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace aspidll {

class CompletionQueue {
public:
    CompletionQueue();
    CompletionQueue(const CompletionQueue&) = delete;
    CompletionQueue& operator=(const CompletionQueue&) = delete;

    void Post(std::function<void()> job);

private:
    void Work();

    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::function<void()>> jobs_;
};

}  // namespace aspidll
