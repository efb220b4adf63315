#include "flash_worker.h"

FlashWorker::FlashWorker(const FlashJob& job, std::function<void(fw::TThread*)> onDone)
    : parser(job) {
    FreeOnTerminate = true;
    OnTerminate = std::move(onDone);
}
