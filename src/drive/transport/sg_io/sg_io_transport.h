// The Linux transport: one command at a time through the SCSI generic
// interface (ioctl SG_IO, interface 'S', version 3) on an open /dev/sg* or
// /dev/sr* node. Implements the Transport contract (../transport.h).
#pragma once

#include <array>
#include <cstdint>

#include "../transport.h"
#include "sg_answer.h"
#include "sg_device_file.h"

class SgIoTransport final : public Transport {
public:
    explicit SgIoTransport(SgDeviceFile device) : device_(std::move(device)) {}

    // One attempt: the request goes to the kernel with its own time-out, the
    // answer is judged by JudgeSgIo. A request the interface cannot carry
    // (no command block, an unknown direction, a data phase without a
    // buffer) is Failed without reaching the kernel.
    CommandResult Send(const CommandRequest& request) override;
    bool Addressed() const override { return device_.IsOpen(); }

    // The raw answer of the last command that reached the kernel, for the
    // run log's decoded account of it.
    const SgIoAnswer& LastAnswer() const { return answer_; }

private:
    SgDeviceFile device_;
    std::array<std::uint8_t, kCdbLength> cdb_{};  // sg_io_hdr wants a mutable pointer
    SgIoAnswer answer_;
};

// Seconds as SG_IO's millisecond time-out, held at the largest it can carry.
std::uint32_t SgTimeoutMs(std::uint32_t seconds);
