// SendASPI32Command: the simulated machine's front end of the shared ASPI
// manager (sim/aspi-core), on the machine's clock and with its events.
//
// The core answers the requests and accepts commands; this file finishes an
// accepted command according to its device's completion mode: finishing
// writes the answer and the final SRB_Status (Manager::Complete), then
// signals the event in SRB_PostProc when the caller asked for
// SRB_EVENT_NOTIFY. Once finished, the machine never touches the block
// again; a device set to signal late may still set the event value
// afterwards (signalsLate), one set to signal early sets it before the
// status (signalsBeforeStatus). A hung drive's request is never finished.
#include <algorithm>
#include <chrono>
#include <limits>
#include <utility>
#include <vector>

#include "aspi_entry_points.h"
#include "sim/aspi-core/final_status.h"

namespace sim {

namespace {

std::size_t RecordSize(BYTE command) {
    switch (command) {
    case SC_HA_INQUIRY: return sizeof(SRB_HAInquiry);
    case SC_GET_DEV_TYPE: return sizeof(SRB_GDEVBlock);
    case SC_RESCAN_SCSI_BUS: return sizeof(SRB_RescanPort);
    case SC_EXEC_SCSI_CMD: return sizeof(SRB_ExecSCSICmd);
    default: return sizeof(SRB_Header);
    }
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
    const HANDLE eventHandle = job.request.event;
    const HandleEntry* event = s.FindHandle(eventHandle, HandleKind::Event);
    if (job.request.device.signalsLate && (event == nullptr || event->waiters == 0)) {
        s.lateSignals.push_back(eventHandle);
    } else {
        s.Signal(eventHandle);
    }
}

// Writes the answer into the caller's block and signals its event. The caller
// holds the machine lock.
void Finish(Machine::State& s, AspiJob& job, const vdrive::Outcome& outcome) {
    const aspisim::Answer answer = aspisim::WriteAnswer(job.request, outcome);
    s.aspiManager->Complete(job.request, answer.status);
    job.finished = true;
    if (job.request.event && !job.signalsBeforeStatus) SignalFinished(s, job);
    s.changed.notify_all();
}

// The early signal of a device set to signal before its status store: the
// event is set, and the status waits until the caller has taken the signal
// (bounded, for a caller that never looks).
void SignalBeforeStatus(Machine::State& s, std::unique_lock<std::mutex>& lock, const AspiJob& job) {
    constexpr std::chrono::milliseconds kStatusStoreBound{200};
    s.Signal(job.request.event);
    s.changed.notify_all();
    s.changed.wait_for(lock, kStatusStoreBound, [&s, &job] {
        const HandleEntry* event = s.FindHandle(job.request.event, HandleKind::Event);
        return event == nullptr || !event->signalled || job.cancelled;
    });
}

// Background completion: the drive answers on this thread, and the request
// finishes once the machine clock has passed the drive's latency. A caller
// that polls without an event cannot move a virtual clock, so the request
// moves it itself; a caller waiting on the event moves it in its wait.
void FinishInBackground(std::shared_ptr<AspiJob> job) {
    auto& s = machine().state();
    const vdrive::Outcome outcome = aspisim::Run(job->request);
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
    if (s.clock.IsVirtual() && !job->request.event) s.clock.AdvanceTo(finishAt);
    s.clock.WaitUntil(finishAt, [&job] { return job->cancelled.load(); });
    std::unique_lock lock(s.mutex);
    if (job->signalsBeforeStatus && job->request.event && !job->cancelled) SignalBeforeStatus(s, lock, *job);
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

// Synchronous and Immediate completion: the drive answers inside the call.
DWORD FinishInCall(Machine::State& s, std::unique_lock<std::mutex>& lock, const std::shared_ptr<AspiJob>& job) {
    lock.unlock();
    const vdrive::Outcome outcome = aspisim::Run(job->request);
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
    return job->completion == AspiCompletion::Synchronous ? job->request.srb->SRB_Status : SS_PENDING;
}

DWORD Start(Machine::State& s, std::unique_lock<std::mutex>& lock, aspisim::Request request) {
    auto job = std::make_shared<AspiJob>();
    job->completion = request.device.completion;
    job->signalsBeforeStatus = request.device.signalsBeforeStatus && job->completion == AspiCompletion::Background;
    job->request = std::move(request);
    job->sentAt = s.clock.Now();
    PruneFinishedJobs(s);

    switch (job->completion) {
    case AspiCompletion::Synchronous:
    case AspiCompletion::Immediate: return FinishInCall(s, lock, job);
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

}  // namespace

DWORD __cdecl AspiSendCommand(void* block) {
    auto& s = machine().state();
    std::unique_lock lock(s.mutex);
    NoteAspiCall(s);
    if (!block) return aspisim::kSsInvalidSrb;
    auto* header = static_cast<SRB_Header*>(block);
    const auto* bytes = static_cast<const std::uint8_t*>(block);
    s.aspiLog.push_back({header->SRB_Cmd, {bytes, bytes + RecordSize(header->SRB_Cmd)}});
    if (!s.aspi.installed) return SS_NO_ASPI;
    // The manager threads of earlier requests set their events only now, with
    // this request already under way.
    const std::vector<HANDLE> earlierSignals = std::exchange(s.lateSignals, {});
    aspisim::Reply reply = s.aspiManager->Send(block);
    // A block the manager still owns belongs to its pending request: it is
    // left alone, and the reuse is counted for the tests.
    if (reply.disposition == aspisim::Disposition::Reused) ++s.aspiBlocksReused;
    const DWORD status = reply.request ? Start(s, lock, std::move(*reply.request)) : reply.code;
    for (HANDLE event : earlierSignals) s.Signal(event);
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
        const vdrive::Outcome outcome = aspisim::Run(job->request);
        std::lock_guard lock(state_->mutex);
        if (!job->finished && !job->cancelled) Finish(*state_, *job, outcome);
    }
}
