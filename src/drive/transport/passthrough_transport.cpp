#include "passthrough_transport.h"

#include <cstring>

namespace {

constexpr UCHAR kSenseInfoLength = 24;

UCHAR LowByte(std::int16_t value) { return static_cast<UCHAR>(value & 0xFF); }

}  // namespace

void PassThroughTransport::Attach(HANDLE device, std::int16_t pathId, std::int16_t targetId) {
    device_ = device;
    pathId_ = pathId;
    targetId_ = targetId;
}

void PassThroughTransport::Detach() { Attach(INVALID_HANDLE_VALUE, -1, -1); }

// Filled afresh for every attempt: the platform rewrites the transfer length
// and the sense of the one before.
void PassThroughTransport::Fill(const CommandRequest& request) {
    std::memset(&request_, 0, sizeof request_);
    SCSI_PASS_THROUGH_DIRECT& r = request_.sptd;
    r.Length = sizeof(SCSI_PASS_THROUGH_DIRECT);
    r.PathId = LowByte(pathId_);  // the handle picks the drive; kept for the record
    r.TargetId = LowByte(targetId_);
    r.Lun = 0;
    r.CdbLength = static_cast<UCHAR>(kCdbLength);
    r.SenseInfoLength = kSenseInfoLength;
    r.DataIn = request.direction;
    r.DataTransferLength = request.length;
    r.TimeOutValue = request.timeoutSeconds;
    r.DataBuffer = request.buffer;
    r.SenseInfoOffset = kPassThroughSenseOffset;
    std::memcpy(r.Cdb, request.cdb, kCdbLength);
}

// Sense data decides a check condition; without it the status does
// (ScsiStatusDone).
CommandResult PassThroughTransport::Send(const CommandRequest& request) {
    Fill(request);
    DWORD returned = 0;
    timer_.Start(true);
    const BOOL ok = DeviceIoControl(device_, IOCTL_SCSI_PASS_THROUGH_DIRECT, &request_,
                                    sizeof request_, &request_, sizeof request_, &returned,
                                    nullptr);
    timer_.Stop();

    CommandResult result;
    result.elapsedSeconds = timer_.Elapsed();
    result.sense = PackSense(request_.sense, sizeof request_.sense);
    result.outcome = JudgeAttempt(ok != FALSE, result.elapsedSeconds, request.timeoutSeconds,
                                  result.sense, ScsiStatusDone(request_.sptd.ScsiStatus));
    result.transferred = request_.sptd.DataTransferLength;
    return result;
}
