// The worker thread that flashes one drive.
#pragma once

#include <functional>

#include "../framework/framework.h"
#include "flash_job.h"

class Parser : public fw::TThread {
public:
    // Creates the worker suspended with its own copy of `job`, marks it to
    // free itself and attaches `onDone` before anything can run; Start()
    // then runs WorkerRun once on the new thread.
    Parser(const FlashJob& job, std::function<void(fw::TThread*)> onDone);

    FlashJob job;
    DriveManager* manager;

    // The thread's body; the outcome is manager->errorCode (0 or 42).
    void WorkerRun();
    // Throws ErrCodeException(42) when the flash failed with retry enabled.
    bool RunJob();

protected:
    void Execute() override { WorkerRun(); }
};
