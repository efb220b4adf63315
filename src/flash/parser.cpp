#include "parser.h"

#include "../drive/drive_manager.h"
#include "embedded_loader_store.h"
#include "flash_procedure.h"

Parser::Parser(const FlashJob& job) : job(job), manager(job.manager) {}

void Parser::WorkerRun() {
    manager->errorCode = 0;
    bool succeeded = false;
    try {
        succeeded = RunJob();
    } catch (const ErrCodeException&) {
        succeeded = false;
    } catch (...) {
        // Anything else escaping the run (an allocation failure, a fault in
        // the platform layer) is a failed flash, not a crash of the program.
        succeeded = false;
    }
    if (!succeeded) manager->errorCode = kFlashFailed;
}

bool Parser::RunJob() {
    if (FlashFirmware(*manager, EmbeddedLoaderStore(), job.image, job.imageSize, job.bootCode)) return true;
    if (manager->retryOnFailure) throw ErrCodeException(kFlashFailed);
    return false;
}
