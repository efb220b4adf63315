#include "sg_io_transport.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <limits>

namespace {

bool Carriable(const CommandRequest& r) {
    if (r.cdb == nullptr || r.direction > kNoData) return false;
    return r.direction == kNoData || r.length == 0 || r.buffer != nullptr;
}

int SgDirection(const CommandRequest& r) {
    if (r.direction == kNoData || r.length == 0) return SG_DXFER_NONE;
    return r.direction == kDataIn ? SG_DXFER_FROM_DEV : SG_DXFER_TO_DEV;
}

}  // namespace

std::uint32_t SgTimeoutMs(std::uint32_t seconds) {
    constexpr std::uint64_t kMax = std::numeric_limits<unsigned int>::max();
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(std::uint64_t{seconds} * 1000, kMax));
}

CommandResult SgIoTransport::Send(const CommandRequest& request) {
    if (!Carriable(request) || !device_.IsOpen()) return CommandResult{};

    std::copy_n(request.cdb, kCdbLength, cdb_.begin());
    answer_ = SgIoAnswer{};
    const int direction = SgDirection(request);
    sg_io_hdr_t header{};
    header.interface_id = 'S';
    header.dxfer_direction = direction;
    header.cmd_len = kCdbLength;
    header.mx_sb_len = kSgSenseBufferSize;
    header.dxfer_len = direction == SG_DXFER_NONE ? 0 : request.length;
    header.dxferp = direction == SG_DXFER_NONE ? nullptr : request.buffer;
    header.cmdp = cdb_.data();
    header.sbp = answer_.sense.data();
    header.timeout = SgTimeoutMs(request.timeoutSeconds);

    const auto start = std::chrono::steady_clock::now();
    answer_.error = device_.System().SgIo(device_.Fd(), header);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;

    if (answer_.error == 0) {
        answer_.scsiStatus = header.status;
        answer_.hostStatus = header.host_status;
        answer_.driverStatus = header.driver_status;
        answer_.senseLength = std::min<std::uint8_t>(header.sb_len_wr, kSgSenseBufferSize);
        answer_.residual = header.resid;
    }
    return JudgeSgIo(answer_, header.dxfer_len, request.timeoutSeconds, elapsed.count());
}
