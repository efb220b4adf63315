#include "aspi_transport.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>

#include "abandoned_requests.h"

namespace {

BYTE LowByte(std::int16_t value) { return static_cast<BYTE>(value & 0xFF); }

BYTE DirectionFlags(std::uint8_t direction) {
    if (direction == kDataIn) return SRB_DIR_IN;
    if (direction == kDataOut) return SRB_DIR_OUT;
    return 0;
}

// timeoutSeconds x 1000 can pass 32 bits, and INFINITE must never be asked
// for by accident: the limit is computed wide and kept just below it.
// The longest the thread sleeps on the event before it looks at the status
// again.
constexpr DWORD kWaitSliceMilliseconds = 100;

DWORD WaitLimitMilliseconds(std::uint32_t timeoutSeconds) {
    const std::uint64_t ms = static_cast<std::uint64_t>(timeoutSeconds) * 1000u;
    return ms >= INFINITE ? INFINITE - 1 : static_cast<DWORD>(ms);
}

}  // namespace

AspiTransport::AspiTransport() : request_(new (std::nothrow) SRB_ExecSCSICmd{}) {}

AspiTransport::~AspiTransport() {
    if (abandoned_) return;
    Unload();
    if (event_ != nullptr) CloseHandle(event_);
}

void AspiTransport::SetAddress(std::int16_t adapter, std::int16_t target, std::int16_t lun) {
    adapter_ = adapter;
    target_ = target;
    lun_ = lun;
}

void AspiTransport::KeepAbandoned(std::uint8_t* readBuffer, std::uint8_t* writeBuffer) {
    KeepForProcessLifetime({request_.release(), event_, readBuffer, writeBuffer, module_});
    event_ = nullptr;
    module_ = nullptr;
    sendCommand_ = nullptr;
    supportInfo_ = nullptr;
}

void AspiTransport::StartAfresh() {
    request_.reset(new (std::nothrow) SRB_ExecSCSICmd{});
    abandoned_ = false;
    SetAddress(-1, -1, -1);
}

void AspiTransport::Fill(const CommandRequest& request) {
    SRB_ExecSCSICmd& r = *request_;
    std::memset(&r, 0, sizeof r);
    r.SRB_Cmd = SC_EXEC_SCSI_CMD;
    r.SRB_BufPointer = request.buffer;
    r.SRB_SenseLen = ASPI_SENSE_LEN;
    r.SRB_CDBLen = static_cast<BYTE>(kCdbLength);
    r.SRB_HaId = LowByte(adapter_);
    r.SRB_Target = LowByte(target_);
    r.SRB_Lun = LowByte(lun_);
    r.SRB_Flags = DirectionFlags(request.direction);
    r.SRB_BufLen = request.length;
    std::memcpy(r.CDBByte, request.cdb, kCdbLength);
}

// The ASPI manager writes the status from its own thread.
BYTE AspiTransport::Status() const {
    return std::atomic_ref<BYTE>(request_->SRB_Status).load(std::memory_order_acquire);
}

// With an event, the manager is asked to signal it; a signal left over from
// an earlier request is dropped first. False when the manager refused the
// request by its return code (busy, out of resources) without writing a
// status: the block is still ours, and nothing will ever complete it.
bool AspiTransport::SendRequest() {
    if (event_ != nullptr) {
        ResetEvent(event_);
        request_->SRB_Flags |= SRB_EVENT_NOTIFY;
        request_->SRB_PostProc = event_;
    }
    const DWORD answer = sendCommand_(request_.get());
    return answer == SS_PENDING || Status() != SS_PENDING;
}

// True when the request has ended within its time-out. The status decides,
// never a wake-up alone: a signal meant for an earlier request may end a wait
// while this one is still pending. Nor is a missing wake-up trusted: a
// manager may set the event before its status store is visible to this
// processor, and the auto-reset event then has nothing left to say. So the
// event is waited on in slices, and the status read again after each.
// Without an event the status is polled, giving the processor away between
// looks, so an ASPI manager that never completes cannot hold the thread for
// ever either way.
bool AspiTransport::WaitWhilePending(std::uint32_t timeoutSeconds) {
    const DWORD limit = WaitLimitMilliseconds(timeoutSeconds);
    const DWORD start = GetTickCount();
    while (Status() == SS_PENDING) {
        const DWORD spent = GetTickCount() - start;
        if (spent >= limit) return false;
        const DWORD slice = std::min(limit - spent, kWaitSliceMilliseconds);
        if (event_ == nullptr || WaitForSingleObject(event_, slice) == WAIT_FAILED) Sleep(1);
    }
    return true;
}

// Sense data is a check condition whatever the status says; SS_COMP without
// sense is good; every other ending is a failure.
CommandResult AspiTransport::Send(const CommandRequest& request) {
    if (abandoned_ || sendCommand_ == nullptr || request_ == nullptr) return CommandResult{};
    Fill(request);
    if (event_ == nullptr) event_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    timer_.Start(true);
    const bool accepted = SendRequest();
    const bool ended = accepted && WaitWhilePending(request.timeoutSeconds);
    timer_.Stop();

    CommandResult result;
    result.elapsedSeconds = timer_.Elapsed();
    if (!accepted) return result;  // Failed, and the transport stays usable
    if (!ended) {
        // The sense area is still the manager's to write.
        abandoned_ = true;
        result.outcome = CommandOutcome::TimedOut;
        return result;
    }
    result.sense = PackSense(request_->SenseArea, sizeof request_->SenseArea);
    result.outcome = JudgeAttempt(true, result.elapsedSeconds, request.timeoutSeconds,
                                  result.sense, Status() == SS_COMP);
    // ASPI reports no transfer count (the request block has no field for
    // it): a completed request is taken to have moved all of `length`, so a
    // short read-back cannot be told apart here as it can on the others.
    result.transferred = request.length;
    return result;
}
