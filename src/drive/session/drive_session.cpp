#include "drive_session.h"

#include <cstring>

#include "../../platform/time_and_memory.h"
#include "command_watcher.h"

namespace {

// The buffers come zeroed from the process heap: no command ever sends bytes
// left over from whatever the heap held before.
std::uint8_t* AllocateBuffer() { return platform::AllocateZeroed(kBufferSize); }

void FreeBuffer(std::uint8_t* buffer) { platform::FreeZeroed(buffer); }

std::uint8_t StatusOf(CommandOutcome outcome) {
    switch (outcome) {
        case CommandOutcome::Good: return kStatusGood;
        case CommandOutcome::CheckCondition: return kStatusCheckCondition;
        case CommandOutcome::Failed:
        case CommandOutcome::TimedOut: break;
    }
    return kStatusFailed;
}

}  // namespace

DriveSession::DriveSession(Transport* transport)
    : readBuffer(AllocateBuffer()), writeBuffer(AllocateBuffer()), transport_(transport) {}

DriveSession::~DriveSession() {
    FreeBuffer(readBuffer);
    FreeBuffer(writeBuffer);
}

void DriveSession::AllocateBuffers() {
    readBuffer = AllocateBuffer();
    writeBuffer = AllocateBuffer();
}

void DriveSession::ReleaseBuffers() {
    readBuffer = nullptr;
    writeBuffer = nullptr;
}

std::uint8_t* DriveSession::BufferFor(std::uint8_t direction, std::uint32_t length) const {
    if (length == 0 || direction == kNoData) return nullptr;
    return direction == kDataOut ? writeBuffer : readBuffer;
}

bool DriveSession::CanCarry(std::uint8_t direction, std::uint32_t length) const {
    return Usable() && direction <= kNoData && length <= kBufferSize;
}

std::uint8_t DriveSession::Execute(const std::uint8_t* cdb, std::uint8_t direction,
                                   std::uint32_t length) {
    Transport* transport = CurrentTransport();
    // A drive that was never addressed answers nothing while retrying is on;
    // the result record is left as it was.
    if (transport != nullptr && !transport->Addressed() && retryOnFailure == 1) return 0;
    if (transport == nullptr || !CanCarry(direction, length)) {
        Record(cdb, CommandResult{});
        return 0;
    }
    const CommandRequest request{cdb, direction, BufferFor(direction, length), length,
                                 timeoutSeconds};
    for (int attempt = 0;; ++attempt) {
        // A short reply must never leave an earlier reply's bytes behind to
        // be read as this one's (a chip id, an identity).
        if (direction == kDataIn && request.buffer != nullptr) std::memset(request.buffer, 0, length);
        const CommandResult result = transport->Send(request);
        Record(cdb, result);
        if (CommandWatched()) TellCommandWatcher(DriveLabel(), request, result);
        const bool retry = result.outcome == CommandOutcome::Failed && retryOnFailure == 1 &&
                           lastTooSlow == 0 && attempt == 0;
        if (!retry) return result.IsGood() ? 1 : 0;
    }
}

// The one place the result record is written.
void DriveSession::Record(const std::uint8_t* cdb, const CommandResult& result) {
    lastResult = result;
    std::memcpy(lastCdb, cdb, sizeof lastCdb);
    lastStatus = StatusOf(result.outcome);
    senseKey = result.SenseKey();
    asc = result.Asc();
    ascq = result.Ascq();
    lastElapsed = result.elapsedSeconds;
    // A platform that gives up at the time-out returns after exactly that
    // long: an attempt that used up the whole time-out has timed out too.
    lastTooSlow = result.elapsedSeconds >= static_cast<double>(timeoutSeconds) ? 1 : 0;
    lastTransferLength = result.IsGood() ? result.transferred : 0;
}
