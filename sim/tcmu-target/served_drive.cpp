#include "served_drive.h"

#include <algorithm>
#include <array>
#include <chrono>

#include "src/drive/command_codes.h"
#include "src/drive/hex_bytes.h"

namespace tcmu {

namespace {

// The ring says nothing about the data's direction: the kernel knows it from
// the request it was given. The drive carries data out only for WRITE BUFFER
// (and the MODE SELECTs a host might try); every other command with a buffer
// reads.
vdrive::Direction DirectionOf(const Command& c) {
    if (c.data.empty()) return vdrive::Direction::None;
    switch (c.cdb[0]) {
        case wire::kOpWriteBuffer:
        case 0x15:  // MODE SELECT (6)
        case 0x55:  // MODE SELECT (10)
            return vdrive::Direction::Out;
        default: return vdrive::Direction::In;
    }
}

const char* DirectionName(vdrive::Direction d) {
    switch (d) {
        case vdrive::Direction::Out: return "out";
        case vdrive::Direction::In: return "in";
        default: return "none";
    }
}

}  // namespace

ServedDrive::ServedDrive(const aspidll::DriveSlot& slot, std::unique_ptr<Ring> ring, aspidll::RequestLog& log)
    : slot_(slot), drive_(slot.config), ring_(std::move(ring)), log_(log), thread_([this] { Serve(); }) {}

ServedDrive::~ServedDrive() {
    // The thread ends with the process: a ring read cannot be woken.
    thread_.detach();
}

void ServedDrive::Serve() {
    while (ring_->Wait()) {
        ring_->ServeQueued([this](Command& c) { return Execute(c); });
    }
}

Answer ServedDrive::Execute(Command& command) {
    std::array<std::uint8_t, 12> cdb{};  // the drive reads 12 bytes; the kernel passed fewer for most groups
    std::copy_n(command.cdb.begin(), std::min(command.cdb.size(), cdb.size()), cdb.begin());
    const vdrive::Direction direction = DirectionOf(command);
    const auto length = static_cast<std::uint32_t>(command.data.size());
    // Logged as it arrives, so a test can act while the drive still has it.
    log_.Line("take ha=" + std::to_string(slot_.adapter) + " cdb=" + HexBytes(command.cdb.data(), command.cdb.size()));
    const vdrive::Outcome outcome = drive_.Execute(cdb.data(), direction, command.data.data(), length);
    if (!outcome.delivered) {
        // A drive that never answers: the kernel's own time-out and abort
        // handling take over; this drive serves nothing more.
        log_.Line("hang ha=" + std::to_string(slot_.adapter) + " cdb=" + HexBytes(cdb.data(), command.cdb.size()));
        for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
    }
    std::this_thread::sleep_for(std::chrono::duration<double>(outcome.latencySeconds));

    Answer answer;
    answer.status = outcome.scsiStatus;
    if (outcome.scsiStatus == vdrive::kStatusCheckCondition) {
        answer.sense.assign(outcome.sense.begin(), outcome.sense.end());
    }
    if (direction == vdrive::Direction::In) {
        answer.data.assign(command.data.begin(), command.data.begin() + std::min(outcome.transferred, length));
    }
    const bool done = outcome.scsiStatus == vdrive::kStatusGood;
    log_.Line(aspidll::ExecLine(slot_.adapter, slot_.target, slot_.lun,
                                HexBytes(command.cdb.data(), command.cdb.size()), DirectionName(direction), length,
                                done,
                                answer.sense.empty() ? "-" : HexBytes(answer.sense.data(), answer.sense.size())));
    return answer;
}

}  // namespace tcmu
