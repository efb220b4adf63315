// The ASPI manager the DLL exports: the shared manager core (sim/aspi-core)
// over a scenario's virtual drives, with real threads and the request log.
//
// Command requests complete the way a real manager completes them: the call
// returns SS_PENDING, and the drive's worker thread runs the command on the
// drive, waits out the drive's latency, fills the sense area on a check
// condition, writes the final status and only then signals the caller's event.
// A scenario with an event signal delay has a command the drive answers at
// once finished inside the call instead, and its event set that much later,
// as by a manager whose completion thread publishes the block and reaches
// SetEvent a moment after: by then the caller may have read the final status,
// closed the event and made a new one with the same handle value.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "completion_queue.h"
#include "sim/aspi-core/manager.h"
#include "sim/drive-log/request_log.h"
#include "sim/scenario/scenario.h"

namespace aspidll {

class AspiManager {
public:
    AspiManager(const scenariofile::Scenario& scenario, drivelog::RequestLog& log);

    // Status in bits 8-15, host adapter count in bits 0-7.
    DWORD SupportInfo();
    // Handles one request record; returns its status as the interface does.
    DWORD Send(void* srb);

    // Each drive's flash into "<base>.driveN.flash" and its final state as
    // log lines. Runs at process exit, after every other thread has stopped.
    void WriteExitReport(const std::string& base);

private:
    struct Slot {
        scenariofile::DriveSlot address;
        std::shared_ptr<vdrive::Drive> drive;
        std::unique_ptr<CompletionQueue> queue;  // one per drive: drives run in parallel
    };

    static aspisim::ManagerConfig CoreConfig(const scenariofile::Scenario& scenario, const std::vector<Slot>& slots);
    // The log line of a request answered inside the call.
    void LogAnswered(const void* request);
    DWORD Start(const aspisim::Request& request);
    DWORD AnswerAtOnce(const aspisim::Request& request, Slot& slot);
    void Finish(const aspisim::Request& request, const vdrive::Outcome& outcome);
    // Writes the answer, the log line and the final status; returns the
    // event to set (null when the caller asked for none).
    HANDLE Publish(const aspisim::Request& request, const vdrive::Outcome& outcome);
    Slot& SlotOf(const aspisim::Request& request);

    int eventSignalDelayMs_;
    std::vector<Slot> slots_;
    aspisim::Manager core_;
    drivelog::RequestLog& log_;
};

}  // namespace aspidll
