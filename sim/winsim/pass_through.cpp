// IOCTL_SCSI_PASS_THROUGH_DIRECT: one command block to the letter's drive.
//
// Like the platform, the request is handled in a system buffer: the input
// block is copied in, the answer (status, transfer length, sense at
// SenseInfoOffset) is written there, and the buffer is copied back to the
// output block. The data phase goes straight to DataBuffer.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "device_control.h"

namespace sim {

namespace {

bool ToDirection(UCHAR dataIn, vdrive::Direction& direction) {
    switch (dataIn) {
    case SCSI_IOCTL_DATA_OUT: direction = vdrive::Direction::Out; return true;
    case SCSI_IOCTL_DATA_IN: direction = vdrive::Direction::In; return true;
    case SCSI_IOCTL_DATA_UNSPECIFIED: direction = vdrive::Direction::None; return true;
    default: return false;
    }
}

// The checks the platform makes before a request reaches the device.
bool WellFormed(const SCSI_PASS_THROUGH_DIRECT& request, std::size_t bufferSize) {
    vdrive::Direction direction;
    if (request.Length != sizeof(SCSI_PASS_THROUGH_DIRECT)) return false;
    if (request.CdbLength == 0 || request.CdbLength > sizeof request.Cdb) return false;
    if (!ToDirection(request.DataIn, direction)) return false;
    if (direction != vdrive::Direction::None && request.DataTransferLength > 0 && !request.DataBuffer)
        return false;
    if (request.SenseInfoLength > 0 &&
        std::size_t{request.SenseInfoOffset} + request.SenseInfoLength > bufferSize)
        return false;
    return true;
}

// The drive took `latency` seconds; false when the call times out. The
// platform gives up after TimeOutValue: its time-out is checked on a timer
// tick, so it fires a little after the limit, never before it. On a device
// whose completion wins that race, a late command ends at the limit itself,
// with the drive's answer. A hung drive (infinite latency) has no answer to
// win with; the port driver's timer is all that ends the call.
bool SpendDriveTime(double latency, ULONG timeoutSeconds, bool completesAtTimeOut) {
    constexpr double kTimeOutTickSeconds = 0.01;
    auto& clock = machine().state().clock;
    if (std::isinf(latency)) completesAtTimeOut = false;
    const bool late = std::isinf(latency) || (timeoutSeconds > 0 && latency > timeoutSeconds);
    double spent = latency;
    if (late) spent = completesAtTimeOut ? timeoutSeconds : timeoutSeconds + kTimeOutTickSeconds;
    clock.Spend(static_cast<std::int64_t>(spent * 1e9));
    return !late || completesAtTimeOut;
}

}  // namespace

IoctlResult RunPassThrough(const CdromDevice& device, void* in, DWORD inSize, void* out,
                           DWORD outSize) {
    if (!in || !out || inSize < sizeof(SCSI_PASS_THROUGH_DIRECT) ||
        outSize < sizeof(SCSI_PASS_THROUGH_DIRECT))
        return Failure(ERROR_INVALID_PARAMETER);
    std::vector<BYTE> system(std::max(inSize, outSize), 0);
    std::memcpy(system.data(), in, inSize);
    SCSI_PASS_THROUGH_DIRECT request;
    std::memcpy(&request, system.data(), sizeof request);
    if (!WellFormed(request, system.size())) return Failure(ERROR_INVALID_PARAMETER);
    if (device.passThroughFails || !device.drive) return Failure(ERROR_IO_DEVICE);

    vdrive::Direction direction = vdrive::Direction::None;
    ToDirection(request.DataIn, direction);
    const vdrive::Outcome outcome =
        device.drive->Execute(request.Cdb, direction, static_cast<std::uint8_t*>(request.DataBuffer),
                              request.DataTransferLength);
    if (!SpendDriveTime(outcome.latencySeconds, request.TimeOutValue, device.completesAtTimeOut))
        return Failure(ERROR_SEM_TIMEOUT);
    if (!outcome.delivered) return Failure(ERROR_IO_DEVICE);

    request.ScsiStatus = outcome.scsiStatus;
    request.DataTransferLength = outcome.transferred;
    DWORD returned = sizeof request;
    if (outcome.scsiStatus == vdrive::kStatusCheckCondition && request.SenseInfoLength > 0) {
        const std::size_t count = std::min<std::size_t>(request.SenseInfoLength, outcome.sense.size());
        std::memcpy(system.data() + request.SenseInfoOffset, outcome.sense.data(), count);
        returned = static_cast<DWORD>(request.SenseInfoOffset + count);
    }
    std::memcpy(system.data(), &request, sizeof request);
    std::memcpy(out, system.data(), outSize);
    return {true, ERROR_SUCCESS, std::min(returned, outSize)};
}

}  // namespace sim
