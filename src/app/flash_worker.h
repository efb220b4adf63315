// The thread a drive of a run is flashed on: the framework's worker thread
// running one Parser.
#pragma once

#include <functional>

#include "../flash/parser.h"
#include "../framework/framework.h"

class FlashWorker : public fw::TThread {
public:
    // Created suspended with its own copy of `job`, marked to free itself,
    // and with `onDone` attached before anything can run.
    FlashWorker(const FlashJob& job, std::function<void(fw::TThread*)> onDone);

    Parser parser;

protected:
    // The flash, and its result in the run log.
    void Execute() override;
};
