#include "flash_worker.h"

#include "../drive/drive_manager.h"
#include "run_log.h"

FlashWorker::FlashWorker(const FlashJob& job, std::function<void(fw::TThread*)> onDone)
    : parser(job) {
    FreeOnTerminate = true;
    OnTerminate = std::move(onDone);
}

void FlashWorker::Execute() {
    parser.WorkerRun();
    LogLine("result " + parser.manager->DriveLabel() + (parser.manager->errorCode == 0 ? " flashed" : " failed"));
}
