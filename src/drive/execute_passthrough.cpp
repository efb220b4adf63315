// Commands over the Windows SCSI pass-through interface.
//
// The direct form of the request is used: the platform moves the data
// straight to and from the manager's 64 KB buffers, with no copy through the
// request, and writes sense data into the same block at SenseInfoOffset. The
// request goes in and comes back in one DeviceIoControl call, which returns
// once the drive has answered or the platform's TimeOutValue has run out.
#include <cstring>

#include "drive_manager.h"
#include "execute_record.h"

namespace {

constexpr UCHAR kCdbLength = 12;
constexpr UCHAR kSenseInfoLength = 24;
constexpr UCHAR kScsiStatusGood = 0x00;
constexpr UCHAR kScsiStatusConditionMet = 0x04;

UCHAR LowByte(std::int16_t value) { return static_cast<UCHAR>(value & 0xFF); }

void FillRequest(DriveManager& m, const std::uint8_t* cdb, std::uint8_t direction,
                 std::uint32_t length) {
    std::memset(&m.passThroughRequest, 0, sizeof m.passThroughRequest);
    SCSI_PASS_THROUGH_DIRECT& r = m.passThroughRequest.sptd;
    r.Length = sizeof(SCSI_PASS_THROUGH_DIRECT);  // 44 on the 32-bit target
    r.PathId = LowByte(m.adapter);                // the handle picks the drive; kept for the record
    r.TargetId = LowByte(m.target);
    r.Lun = 0;
    r.CdbLength = kCdbLength;
    r.SenseInfoLength = kSenseInfoLength;
    r.DataIn = direction;
    r.DataTransferLength = length;
    r.TimeOutValue = m.timeoutSeconds;
    r.DataBuffer = CommandBuffer(m, direction, length);
    r.SenseInfoOffset = kPassThroughSenseOffset;
    std::memcpy(r.Cdb, cdb, kCdbLength);
}

bool SendRequest(DriveManager& m) {
    DWORD returned = 0;
    m.commandTimer.Start(true);
    const BOOL ok = DeviceIoControl(m.deviceHandle, IOCTL_SCSI_PASS_THROUGH_DIRECT,
                                    &m.passThroughRequest, sizeof m.passThroughRequest,
                                    &m.passThroughRequest, sizeof m.passThroughRequest,
                                    &returned, nullptr);
    m.commandTimer.Stop();
    return ok != FALSE;
}

// Sense data decides a check condition. Without sense, only GOOD and
// CONDITION MET are success: a drive answering BUSY or RESERVATION CONFLICT
// has not done the command, and taking that as good would report a refused
// commit as a finished update.
Verdict Judge(const DriveManager& m, bool callSucceeded) {
    if (!callSucceeded || m.lastTooSlow) return Verdict::Failed;
    if (m.senseKey != 0) return Verdict::CheckCondition;
    const UCHAR status = m.passThroughRequest.sptd.ScsiStatus;
    if (status == kScsiStatusGood || status == kScsiStatusConditionMet) return Verdict::Good;
    return Verdict::Failed;
}

}  // namespace

std::uint8_t DriveManager::ExecutePassThrough(const std::uint8_t* cdb, std::uint8_t direction,
                                              std::uint32_t length) {
    if (deviceHandle == INVALID_HANDLE_VALUE && retryOnFailure == 1) return 0;
    if (!CanCarry(*this, direction, length)) return RecordNotSent(*this, cdb);
    for (int attempt = 0;; ++attempt) {
        // Filled afresh for a retry too: the platform has rewritten the
        // transfer length and the sense of the failed attempt.
        ClearReplyArea(*this, direction, length);
        FillRequest(*this, cdb, direction, length);
        const bool callSucceeded = SendRequest(*this);
        RecordAttempt(*this, cdb, passThroughRequest.sense);
        const Verdict verdict = Judge(*this, callSucceeded);
        if (verdict != Verdict::Failed || !MayRetry(*this, attempt)) {
            return Conclude(*this, verdict, passThroughRequest.sptd.DataTransferLength);
        }
    }
}
