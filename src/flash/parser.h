// The body of the worker that flashes one drive. The thread it runs on is
// the caller's (the window gives each drive of a run its own).
#pragma once

#include "flash_job.h"

class Parser {
public:
    // Takes its own copy of `job`: the creator may reuse its record at once.
    explicit Parser(const FlashJob& job);

    FlashJob job;
    DriveManager* manager;

    // Runs the flash once; the outcome is manager->errorCode (0 or 42).
    // Nothing escapes it.
    void WorkerRun();
    // Throws ErrCodeException(42) when the flash failed with retry enabled.
    bool RunJob();
};
