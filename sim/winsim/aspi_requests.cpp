// SendASPI32Command: the request blocks of the simulated ASPI manager.
//
// The manager works on the caller's block in place. An SC_EXEC_SCSI_CMD is
// accepted with SRB_Status SS_PENDING and finished according to the device's
// completion mode; finishing writes the target status and sense, then the
// final SRB_Status (aspisim::FinalStatus), then signals the event in
// SRB_PostProc when the caller asked for SRB_EVENT_NOTIFY. Once finished, the
// manager never touches the block again; a device set to signal late may
// still set the event value afterwards (AspiDevice::signalsLate), one set to
// signal early sets it before the status (signalsBeforeStatus). A device may
// refuse every request by the call's return code (refusesWith), and a hung
// drive's request is never finished.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

#include "aspi_entry_points.h"
#include "sim/aspi-common/final_status.h"

namespace sim {

namespace {

constexpr BYTE kSsInvalidSrb = 0xE0;
constexpr BYTE kHaStatSelectionTimeout = 0x11;
constexpr BYTE kDirectionMask = SRB_DIR_IN | SRB_DIR_OUT;
constexpr int kTargets = 16;
constexpr int kLuns = 8;

std::size_t RecordSize(BYTE command) {
    switch (command) {
    case SC_HA_INQUIRY: return sizeof(SRB_HAInquiry);
    case SC_GET_DEV_TYPE: return sizeof(SRB_GDEVBlock);
    case SC_RESCAN_SCSI_BUS: return sizeof(SRB_RescanPort);
    case SC_EXEC_SCSI_CMD: return sizeof(SRB_ExecSCSICmd);
    default: return sizeof(SRB_Header);
    }
}

// The status byte is what a caller without an event polls from its own
// thread: it is written last, and published with release order.
void SetStatus(BYTE& status, BYTE value) {
    std::atomic_ref<BYTE>(status).store(value, std::memory_order_release);
}

void PadCopy(BYTE (&field)[16], const char* text) {
    std::memset(field, ' ', sizeof field);
    std::memcpy(field, text, std::min(std::strlen(text), sizeof field));
}

BYTE AnswerHaInquiry(const AspiManagerConfig& aspi, SRB_HAInquiry& srb) {
    const std::size_t count = aspi.adapters.size();
    // Adapter 0 answers the count query even on a machine without adapters.
    if (srb.SRB_HaId >= count && !(srb.SRB_HaId == 0 && count == 0)) return SS_INVALID_HA;
    if (count > 0 && aspi.adapters[srb.SRB_HaId].inquiryFails) return SS_ERR;
    srb.HA_Count = static_cast<BYTE>(std::min<std::size_t>(count, 0xFF));
    srb.HA_SCSI_ID = 7;
    PadCopy(srb.HA_ManagerId, "ASPI for WIN32");
    PadCopy(srb.HA_Identifier, "VIRTUAL HOST");
    std::memset(srb.HA_Unique, 0, sizeof srb.HA_Unique);
    srb.HA_Unique[3] = kTargets;  // maximum targets
    return SS_COMP;
}

const AspiDevice* FindDevice(const AspiManagerConfig& aspi, BYTE adapter, BYTE target, BYTE lun) {
    const auto& devices = aspi.adapters[adapter].devices;
    const auto found = devices.find({target, lun});
    return found == devices.end() ? nullptr : &found->second;
}

BYTE AnswerDeviceType(const AspiManagerConfig& aspi, SRB_GDEVBlock& srb) {
    if (srb.SRB_HaId >= aspi.adapters.size()) return SS_INVALID_HA;
    if (srb.SRB_Target >= kTargets || srb.SRB_Lun >= kLuns) return SS_NO_DEVICE;
    const AspiDevice* device = FindDevice(aspi, srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun);
    if (!device) return SS_NO_DEVICE;
    srb.SRB_DeviceType = device->deviceType;
    return SS_COMP;
}

bool ToDirection(BYTE flags, vdrive::Direction& direction) {
    switch (flags & kDirectionMask) {
    case SRB_DIR_IN: direction = vdrive::Direction::In; return true;
    case SRB_DIR_OUT: direction = vdrive::Direction::Out; return true;
    case 0: direction = vdrive::Direction::None; return true;
    default: return false;
    }
}

vdrive::Outcome RunOnDrive(AspiJob& job) {
    if (!job.drive) {
        vdrive::Outcome none;
        none.delivered = false;
        return none;
    }
    return job.drive->Execute(job.cdb.data(), job.direction, job.buffer, job.length);
}

std::int64_t Nanos(double seconds) { return static_cast<std::int64_t>(seconds * 1e9); }

// The machine time at which the request finishes; never, for a hung drive.
std::int64_t FinishTime(const AspiJob& job, const vdrive::Outcome& outcome) {
    if (outcome.Hung()) return std::numeric_limits<std::int64_t>::max();
    return job.sentAt + Nanos(outcome.latencySeconds);
}

// A caller already waiting on the event is woken at once: it could not tell
// a late signal from a prompt one.
void SignalFinished(Machine::State& s, const AspiJob& job) {
    const HandleEntry* event = s.FindHandle(job.event, HandleKind::Event);
    if (job.signalsLate && (event == nullptr || event->waiters == 0)) {
        s.lateSignals.push_back(job.event);
    } else {
        s.Signal(job.event);
    }
}

// Writes the answer into the caller's block and signals its event. The caller
// holds the machine lock.
void Finish(Machine::State& s, AspiJob& job, const vdrive::Outcome& outcome) {
    SRB_ExecSCSICmd& srb = *job.srb;
    if (!outcome.delivered) {
        srb.SRB_HaStat = kHaStatSelectionTimeout;
        srb.SRB_TargStat = 0;
    } else {
        srb.SRB_HaStat = 0;
        srb.SRB_TargStat = outcome.scsiStatus;
        if (outcome.scsiStatus == vdrive::kStatusCheckCondition) {
            const std::size_t count = std::min<std::size_t>(
                {srb.SRB_SenseLen, sizeof srb.SenseArea, outcome.sense.size()});
            std::memcpy(srb.SenseArea, outcome.sense.data(), count);
        }
    }
    SetStatus(srb.SRB_Status, aspisim::FinalStatus(outcome, job.checkConditionCompletes));
    job.finished = true;
    if (job.event && !job.signalsBeforeStatus) SignalFinished(s, job);
    s.changed.notify_all();
}

// The early signal of a device set to signal before its status store: the
// event is set, and the status waits until the caller has taken the signal
// (bounded, for a caller that never looks).
void SignalBeforeStatus(Machine::State& s, std::unique_lock<std::mutex>& lock, const AspiJob& job) {
    constexpr std::chrono::milliseconds kStatusStoreBound{200};
    s.Signal(job.event);
    s.changed.notify_all();
    s.changed.wait_for(lock, kStatusStoreBound, [&s, &job] {
        const HandleEntry* event = s.FindHandle(job.event, HandleKind::Event);
        return event == nullptr || !event->signalled || job.cancelled;
    });
}

// Background completion: the drive answers on this thread, and the request
// finishes once the machine clock has passed the drive's latency. A caller
// that polls without an event cannot move a virtual clock, so the request
// moves it itself; a caller waiting on the event moves it in its wait.
void FinishInBackground(std::shared_ptr<AspiJob> job) {
    auto& s = machine().state();
    const vdrive::Outcome outcome = RunOnDrive(*job);
    std::int64_t finishAt = 0;
    {
        std::lock_guard lock(s.mutex);
        job->answered = true;
        job->finishAt = finishAt = FinishTime(*job, outcome);
        s.changed.notify_all();
    }
    // A hung drive never answers: the request stays pending until the
    // machine is reset.
    if (outcome.Hung()) {
        s.clock.WaitUntil(finishAt, [&job] { return job->cancelled.load(); });
        return;
    }
    if (s.clock.IsVirtual() && !job->event) s.clock.AdvanceTo(finishAt);
    s.clock.WaitUntil(finishAt, [&job] { return job->cancelled.load(); });
    std::unique_lock lock(s.mutex);
    if (job->signalsBeforeStatus && job->event && !job->cancelled) SignalBeforeStatus(s, lock, *job);
    if (!job->cancelled) Finish(s, *job, outcome);
}

void PruneFinishedJobs(Machine::State& s) {
    std::erase_if(s.aspiJobs, [](const std::shared_ptr<AspiJob>& job) {
        if (!job->finished) return false;
        // A finished job's thread has nothing left to do but return.
        if (job->worker.joinable()) job->worker.join();
        return true;
    });
}

// A refusal by return code leaves the block as the caller filled it.
bool RefusedByReturnCode(const Machine::State& s, const SRB_Header& header) {
    const auto& srb = reinterpret_cast<const SRB_ExecSCSICmd&>(header);
    if (srb.SRB_HaId >= s.aspi.adapters.size()) return false;
    const AspiDevice* device = FindDevice(s.aspi, srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun);
    return device != nullptr && device->refusesWith != 0;
}

bool IsPending(const Machine::State& s, const SRB_ExecSCSICmd* srb) {
    return std::ranges::any_of(s.aspiJobs, [srb](const auto& job) { return !job->finished && job->srb == srb; });
}

BYTE ExecuteCommand(Machine::State& s, std::unique_lock<std::mutex>& lock, SRB_ExecSCSICmd& srb) {
    if (srb.SRB_HaId >= s.aspi.adapters.size()) return SS_INVALID_HA;
    const AspiDevice* device = FindDevice(s.aspi, srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun);
    if (!device) return SS_NO_DEVICE;
    if (device->refusesWith != 0) return device->refusesWith;
    auto job = std::make_shared<AspiJob>();
    if (!ToDirection(srb.SRB_Flags, job->direction) || srb.SRB_CDBLen == 0 || srb.SRB_CDBLen > 16)
        return kSsInvalidSrb;
    job->srb = &srb;
    job->event = (srb.SRB_Flags & SRB_EVENT_NOTIFY) ? static_cast<HANDLE>(srb.SRB_PostProc) : nullptr;
    job->drive = device->drive;
    job->completion = device->completion;
    job->checkConditionCompletes = device->checkConditionCompletes;
    job->signalsLate = device->signalsLate;
    job->signalsBeforeStatus = device->signalsBeforeStatus && device->completion == AspiCompletion::Background;
    std::memcpy(job->cdb.data(), srb.CDBByte, job->cdb.size());
    job->buffer = srb.SRB_BufPointer;
    job->length = srb.SRB_BufLen;
    job->sentAt = s.clock.Now();
    SetStatus(srb.SRB_Status, SS_PENDING);
    PruneFinishedJobs(s);

    switch (job->completion) {
    case AspiCompletion::Synchronous:
    case AspiCompletion::Immediate: {
        lock.unlock();
        const vdrive::Outcome outcome = RunOnDrive(*job);
        lock.lock();
        if (outcome.Hung()) {
            // The call cannot come back with an answer that never comes; it
            // returns SS_PENDING and the request stays the manager's.
            job->completion = AspiCompletion::Never;
            s.aspiJobs.push_back(job);
            return SS_PENDING;
        }
        lock.unlock();
        s.clock.Spend(Nanos(outcome.latencySeconds));
        lock.lock();
        Finish(s, *job, outcome);
        return job->completion == AspiCompletion::Synchronous ? srb.SRB_Status : SS_PENDING;
    }
    case AspiCompletion::Background:
        s.aspiJobs.push_back(job);
        job->worker = std::thread(FinishInBackground, job);
        return SS_PENDING;
    case AspiCompletion::Never:
        s.aspiJobs.push_back(job);
        return SS_PENDING;
    }
    return SS_PENDING;
}

BYTE Dispatch(Machine::State& s, std::unique_lock<std::mutex>& lock, void* block) {
    auto* header = static_cast<SRB_Header*>(block);
    switch (header->SRB_Cmd) {
    case SC_HA_INQUIRY: return AnswerHaInquiry(s.aspi, *static_cast<SRB_HAInquiry*>(block));
    case SC_GET_DEV_TYPE: return AnswerDeviceType(s.aspi, *static_cast<SRB_GDEVBlock*>(block));
    case SC_RESCAN_SCSI_BUS: return header->SRB_HaId < s.aspi.adapters.size() ? SS_COMP : SS_INVALID_HA;
    case SC_EXEC_SCSI_CMD: return ExecuteCommand(s, lock, *static_cast<SRB_ExecSCSICmd*>(block));
    default: return kSsInvalidSrb;
    }
}

}  // namespace

DWORD __cdecl AspiSendCommand(void* block) {
    auto& s = machine().state();
    std::unique_lock lock(s.mutex);
    NoteAspiCall(s);
    if (!block) return kSsInvalidSrb;
    auto* header = static_cast<SRB_Header*>(block);
    const auto* bytes = static_cast<const std::uint8_t*>(block);
    s.aspiLog.push_back({header->SRB_Cmd, {bytes, bytes + RecordSize(header->SRB_Cmd)}});
    // A block the manager still owns belongs to its pending request: it is
    // left alone, and the reuse is counted for the tests.
    if (header->SRB_Cmd == SC_EXEC_SCSI_CMD && IsPending(s, static_cast<SRB_ExecSCSICmd*>(block))) {
        ++s.aspiBlocksReused;
        return kSsInvalidSrb;
    }
    if (!s.aspi.installed) return SS_NO_ASPI;
    // The manager threads of earlier requests set their events only now, with
    // this request already under way.
    const std::vector<HANDLE> earlierSignals = std::exchange(s.lateSignals, {});
    const BYTE status = Dispatch(s, lock, block);
    for (HANDLE event : earlierSignals) s.Signal(event);
    if (header->SRB_Cmd != SC_EXEC_SCSI_CMD) SetStatus(header->SRB_Status, status);
    else if (status != SS_PENDING && status != SS_COMP && status != SS_ERR && !RefusedByReturnCode(s, *header))
        SetStatus(header->SRB_Status, status);
    return status;
}

}  // namespace sim

void sim::Machine::ReleasePendingAspi() {
    std::vector<std::shared_ptr<AspiJob>> held;
    {
        std::lock_guard lock(state_->mutex);
        for (const auto& job : state_->aspiJobs)
            if (!job->finished && job->completion == AspiCompletion::Never) held.push_back(job);
    }
    for (const auto& job : held) {
        const vdrive::Outcome outcome = RunOnDrive(*job);
        std::lock_guard lock(state_->mutex);
        if (!job->finished && !job->cancelled) Finish(*state_, *job, outcome);
    }
}
