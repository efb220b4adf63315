// The ASPI manager the DLL exports: host adapters with virtual drives at
// their target/LUN slots, answering the request records of the ASPI for
// Win32 interface.
//
// Command requests complete the way a real manager completes them: the call
// returns SS_PENDING, and the adapter's worker thread runs the command on the
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
#include "request_log.h"
#include "scenario.h"
#include "sim/vdrive/drive.h"
#include "src/platform/aspi_layout.h"

namespace aspidll {

class AspiManager {
public:
    AspiManager(const Scenario& scenario, RequestLog& log);

    // Status in bits 8-15, host adapter count in bits 0-7.
    DWORD SupportInfo();
    // Handles one request record; returns its status as the interface does.
    DWORD Send(void* srb);

    // Each drive's flash into "<base>.driveN.flash" and its final state as
    // log lines. Runs at process exit, after every other thread has stopped.
    void WriteExitReport(const std::string& base);

private:
    struct Slot {
        int adapter;
        int target;
        int lun;
        std::unique_ptr<vdrive::Drive> drive;
        std::unique_ptr<CompletionQueue> queue;  // one per drive: drives run in parallel
    };

    DWORD HaInquiry(SRB_HAInquiry& srb);
    DWORD DeviceType(SRB_GDEVBlock& srb);
    DWORD Rescan(SRB_RescanPort& srb);
    // What the drive answered, with what the request asked for.
    struct Answer {
        vdrive::Outcome outcome;
        BYTE flags = 0;
        HANDLE event = nullptr;
        std::string cdb;  // in hex, for the log
    };

    DWORD ExecScsi(SRB_ExecSCSICmd& srb);
    DWORD ExecAnsweringAtOnce(SRB_ExecSCSICmd& srb, Slot& slot);
    Answer Run(SRB_ExecSCSICmd& srb, Slot& slot);
    void Finish(SRB_ExecSCSICmd& srb, const Slot& slot, const Answer& answer);
    // Writes the sense, the final status and the log line; returns the event
    // to set (null when the caller asked for none).
    HANDLE Publish(SRB_ExecSCSICmd& srb, const Slot& slot, const Answer& answer);
    Slot* Find(int adapter, int target, int lun);
    bool ValidAdapter(BYTE adapter) const { return adapter < adapterCount_; }

    std::uint8_t supportStatus_;
    int adapterCount_;
    int eventSignalDelayMs_;
    bool checkConditionCompletes_;
    bool signalBeforeStatus_;
    int refuseWith_;
    std::vector<Slot> slots_;
    RequestLog& log_;
};

}  // namespace aspidll
