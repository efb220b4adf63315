// Commands through the ASPI manager.
//
// ASPI completes an SC_EXEC_SCSI_CMD request asynchronously: SendASPI32Command
// may return while the request is still SS_PENDING, and the manager goes on
// writing the block (status, sense area) and the data buffer until the drive
// has answered. With SRB_EVENT_NOTIFY it signals the event in SRB_PostProc
// when it is done, so the thread sleeps in the wait instead of spinning.
//
// A request still pending when the wait has run out belongs to the manager:
// sending or rewriting the block then would hand it a second request in the
// memory of the first. The block is given up for good instead, together with
// its event, and the manager refuses every later command. The block is
// allocated apart from the DriveManager, so that deleting the manager frees
// nothing the ASPI manager may still write (abandoned_requests.h).
#include <atomic>
#include <cstring>

#include "drive_manager.h"
#include "execute_record.h"

namespace {

constexpr BYTE kCdbLength = 12;

BYTE LowByte(std::int16_t value) { return static_cast<BYTE>(value & 0xFF); }

BYTE DirectionFlags(std::uint8_t direction) {
    if (direction == kDataIn) return SRB_DIR_IN;
    if (direction == kDataOut) return SRB_DIR_OUT;
    return 0;
}

void FillRequest(DriveManager& m, const std::uint8_t* cdb, std::uint8_t direction,
                 std::uint32_t length) {
    SRB_ExecSCSICmd& r = *m.aspiRequest;
    std::memset(&r, 0, sizeof r);
    r.SRB_Cmd = SC_EXEC_SCSI_CMD;
    r.SRB_BufPointer = CommandBuffer(m, direction, length);
    r.SRB_SenseLen = ASPI_SENSE_LEN;
    r.SRB_CDBLen = kCdbLength;
    r.SRB_HaId = LowByte(m.adapter);
    r.SRB_Target = LowByte(m.target);
    r.SRB_Lun = LowByte(m.lun);
    r.SRB_Flags = DirectionFlags(direction);
    r.SRB_BufLen = length;
    std::memcpy(r.CDBByte, cdb, kCdbLength);
}

// The ASPI manager writes the status from its own thread.
BYTE RequestStatus(DriveManager& m) {
    return std::atomic_ref<BYTE>(m.aspiRequest->SRB_Status).load(std::memory_order_acquire);
}

// timeoutSeconds x 1000 can pass 32 bits, and INFINITE must never be asked
// for by accident: the limit is computed wide and kept just below it.
DWORD WaitLimitMilliseconds(std::uint32_t timeoutSeconds) {
    const std::uint64_t ms = static_cast<std::uint64_t>(timeoutSeconds) * 1000u;
    return ms >= INFINITE ? INFINITE - 1 : static_cast<DWORD>(ms);
}

// True when the request has ended; otherwise the event stays open, since
// the manager may still signal it.
bool SendAndWaitForEvent(DriveManager& m, HANDLE event) {
    m.aspiRequest->SRB_Flags |= SRB_EVENT_NOTIFY;
    m.aspiRequest->SRB_PostProc = event;
    m.pfnSendASPI32Command(m.aspiRequest.get());
    if (RequestStatus(m) == SS_PENDING) {
        WaitForSingleObject(event, WaitLimitMilliseconds(m.timeoutSeconds));
    }
    if (RequestStatus(m) == SS_PENDING) return false;
    CloseHandle(event);
    return true;
}

// Without an event the status is polled. The poll gives the processor away
// between looks and ends, like the event wait, after the command's time-out,
// so an ASPI manager that never completes cannot hold the thread for ever.
bool SendAndPoll(DriveManager& m) {
    m.pfnSendASPI32Command(m.aspiRequest.get());
    const DWORD limit = WaitLimitMilliseconds(m.timeoutSeconds);
    const DWORD start = GetTickCount();
    while (RequestStatus(m) == SS_PENDING) {
        if (GetTickCount() - start >= limit) return false;
        Sleep(1);
    }
    return true;
}

// True when the request has ended. Otherwise `held` is the event the ASPI
// manager may still signal (null when the status was polled).
bool Attempt(DriveManager& m, HANDLE& held) {
    m.commandTimer.Start(true);
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    const bool ended = event != nullptr ? SendAndWaitForEvent(m, event) : SendAndPoll(m);
    m.commandTimer.Stop();
    held = ended ? nullptr : event;
    return ended;
}

// Sense data is a check condition whatever the status says; SS_COMP without
// sense is good; every other ending is a failure.
Verdict Judge(DriveManager& m) {
    if (m.lastTooSlow) return Verdict::Failed;
    if (m.senseKey != 0) return Verdict::CheckCondition;
    return RequestStatus(m) == SS_COMP ? Verdict::Good : Verdict::Failed;
}

}  // namespace

std::uint8_t DriveManager::ExecuteAspi(const std::uint8_t* cdb, std::uint8_t direction,
                                       std::uint32_t length) {
    if ((adapter == -1 || target == -1) && retryOnFailure == 1) return 0;
    const bool canSend = !aspiRequestAbandoned && pfnSendASPI32Command != nullptr;
    if (!canSend || !CanCarry(*this, direction, length)) return RecordNotSent(*this, cdb);
    for (int attempt = 0;; ++attempt) {
        ClearReplyArea(*this, direction, length);
        FillRequest(*this, cdb, direction, length);
        HANDLE heldEvent = nullptr;
        if (!Attempt(*this, heldEvent)) {
            aspiRequestAbandoned = 1;
            abandonedEvent = heldEvent;
            RecordAttempt(*this, cdb, nullptr);  // the sense area is still the manager's
            return Conclude(*this, Verdict::Failed, 0);
        }
        RecordAttempt(*this, cdb, aspiRequest->SenseArea);
        const Verdict verdict = Judge(*this);
        if (verdict != Verdict::Failed || !MayRetry(*this, attempt)) {
            return Conclude(*this, verdict, length);
        }
    }
}
