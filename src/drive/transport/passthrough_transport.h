// Commands over the Windows SCSI pass-through interface.
//
// The direct form of the request is used: the platform moves the data
// straight to and from the caller's buffer, with no copy through the
// request, and writes sense data into the same block at SenseInfoOffset. The
// request goes in and comes back in one DeviceIoControl call, which returns
// once the drive has answered or the platform's TimeOutValue has run out.
#pragma once

#include <cstdint>

#include "../../platform/win32.h"
#include "../stopwatch.h"
#include "passthrough_layout.h"
#include "transport.h"

class PassThroughTransport final : public Transport {
public:
    // The open device of the drive and its address. The handle stays the
    // caller's: Detach forgets it, the caller closes it.
    void Attach(HANDLE device, std::int16_t pathId, std::int16_t targetId);
    void Detach();
    HANDLE Device() const { return device_; }

    bool Addressed() const override { return device_ != INVALID_HANDLE_VALUE; }
    CommandResult Send(const CommandRequest& request) override;

private:
    void Fill(const CommandRequest& request);

    HANDLE device_ = INVALID_HANDLE_VALUE;
    std::int16_t pathId_ = -1;
    std::int16_t targetId_ = -1;
    PassThroughRequest request_{};
    Stopwatch timer_;
};
