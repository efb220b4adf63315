#include "completion_queue.h"

#include <thread>

namespace aspidll {

CompletionQueue::CompletionQueue() { std::thread([this] { Work(); }).detach(); }

void CompletionQueue::Post(std::function<void()> job) {
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    ready_.notify_one();
}

void CompletionQueue::Work() {
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(mutex_);
            ready_.wait(lock, [this] { return !jobs_.empty(); });
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job();
    }
}

}  // namespace aspidll
