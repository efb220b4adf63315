// Events, waits and handle closing.
//
// On the virtual clock a wait never sleeps for its limit: it returns at once
// when nothing can set the event in time (moving the clock by the limit), and
// otherwise moves the clock to the moment the pending ASPI request that will
// set it finishes.
#include <chrono>
#include <limits>
#include <optional>

#include "device_control.h"
#include "machine_state.h"

namespace {

using Lock = std::unique_lock<std::mutex>;

bool TakeSignal(sim::HandleEntry& event) {
    if (!event.signalled) return false;
    if (!event.manualReset) event.signalled = false;
    return true;
}

// WAIT_OBJECT_0 when the event is set (taking the signal of an auto-reset
// one), WAIT_FAILED when the handle is no event, nothing while it must wait.
std::optional<DWORD> Poll(sim::Machine::State& s, HANDLE handle) {
    sim::HandleEntry* event = s.FindHandle(handle, sim::HandleKind::Event);
    if (!event) {
        sim::SetError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    if (TakeSignal(*event)) return WAIT_OBJECT_0;
    return std::nullopt;
}

bool Signalled(sim::Machine::State& s, HANDLE handle) {
    const sim::HandleEntry* event = s.FindHandle(handle, sim::HandleKind::Event);
    return event != nullptr && event->signalled;
}

// The unfinished ASPI request that will signal `event`, if any.
std::shared_ptr<sim::AspiJob> JobFor(const sim::Machine::State& s, HANDLE event) {
    for (const auto& job : s.aspiJobs)
        if (!job->finished && !job->cancelled && job->request.event == event &&
            job->completion == sim::AspiCompletion::Background)
            return job;
    return nullptr;
}

DWORD WaitVirtual(sim::Machine::State& s, Lock& lock, HANDLE handle, DWORD milliseconds) {
    const bool forever = milliseconds == INFINITE;
    const std::int64_t deadline = forever ? std::numeric_limits<std::int64_t>::max()
                                          : s.clock.Now() + std::int64_t{milliseconds} * 1'000'000;
    for (;;) {
        if (const auto result = Poll(s, handle)) return *result;
        const auto job = JobFor(s, handle);
        if (job && !job->answered) {
            s.changed.wait(lock);
        } else if (job && job->finishAt <= deadline) {
            lock.unlock();
            s.clock.AdvanceTo(job->finishAt);
            lock.lock();
            // A manager that signals before its status store wakes the
            // caller with the request still pending.
            s.changed.wait(lock, [&] { return job->finished || job->cancelled || Signalled(s, handle); });
        } else if (forever) {
            // Nothing can ever set it: on Windows the thread would hang; here
            // the wait fails so the test sees it instead of stalling.
            sim::SetError(ERROR_INVALID_HANDLE);
            return WAIT_FAILED;
        } else {
            lock.unlock();
            s.clock.AdvanceTo(deadline);
            lock.lock();
            return WAIT_TIMEOUT;
        }
    }
}

DWORD WaitReal(sim::Machine::State& s, Lock& lock, HANDLE handle, DWORD milliseconds) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        if (const auto result = Poll(s, handle)) return *result;
        if (milliseconds == INFINITE) {
            s.changed.wait(lock);
        } else if (s.changed.wait_until(lock, until) == std::cv_status::timeout) {
            sim::HandleEntry* event = s.FindHandle(handle, sim::HandleKind::Event);
            if (event && TakeSignal(*event)) return WAIT_OBJECT_0;
            return WAIT_TIMEOUT;
        }
    }
}

}  // namespace

HANDLE WINAPI CreateEventA(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCSTR) {
    auto& s = sim::machine().state();
    std::lock_guard lock(s.mutex);
    if (s.createEventFails) {
        sim::SetError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    sim::HandleEntry entry;
    entry.kind = sim::HandleKind::Event;
    entry.manualReset = manualReset != FALSE;
    entry.signalled = initialState != FALSE;
    return s.NewHandle(entry);
}

BOOL WINAPI SetEvent(HANDLE event) {
    auto& s = sim::machine().state();
    std::lock_guard lock(s.mutex);
    if (s.Signal(event)) return TRUE;
    sim::SetError(ERROR_INVALID_HANDLE);
    return FALSE;
}

BOOL WINAPI ResetEvent(HANDLE event) {
    auto& s = sim::machine().state();
    std::lock_guard lock(s.mutex);
    sim::HandleEntry* entry = s.FindHandle(event, sim::HandleKind::Event);
    if (!entry) {
        sim::SetError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    entry->signalled = false;
    return TRUE;
}

// A waiter is counted on its event while it waits, so that a manager
// finishing meanwhile signals it at once instead of late.
DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    auto& s = sim::machine().state();
    Lock lock(s.mutex);
    s.DeliverLateSignals();
    const auto counted = [&](int step) {
        if (sim::HandleEntry* event = s.FindHandle(handle, sim::HandleKind::Event)) event->waiters += step;
    };
    counted(+1);
    const DWORD result = s.clock.IsVirtual() ? WaitVirtual(s, lock, handle, milliseconds)
                                             : WaitReal(s, lock, handle, milliseconds);
    counted(-1);
    return result;
}

// Devices, events and tokens close; the heap and modules are not closed
// with CloseHandle, and neither is INVALID_HANDLE_VALUE.
BOOL WINAPI CloseHandle(HANDLE handle) {
    auto& s = sim::machine().state();
    std::lock_guard lock(s.mutex);
    const auto found = s.handles.find(reinterpret_cast<std::uintptr_t>(handle));
    if (found == s.handles.end()) {
        sim::SetError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (found->second.kind == sim::HandleKind::Device) sim::ReleaseExclusiveLocks(s, handle);
    s.FreeHandle(found);
    s.changed.notify_all();
    return TRUE;
}
