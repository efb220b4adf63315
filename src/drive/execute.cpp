#include <cstring>

#include "drive_manager.h"
#include "execute_record.h"

std::uint8_t DriveManager::Execute(const std::uint8_t* cdb, std::uint8_t direction,
                                   std::uint32_t length) {
    if (osInfo.IsNtFamily() && useAspi == 0) return ExecutePassThrough(cdb, direction, length);
    return ExecuteAspi(cdb, direction, length);
}

std::uint8_t* CommandBuffer(DriveManager& m, std::uint8_t direction, std::uint32_t length) {
    if (length == 0 || direction == kNoData) return nullptr;
    return direction == kDataOut ? m.writeBuffer : m.readBuffer;
}

void ClearReplyArea(DriveManager& m, std::uint8_t direction, std::uint32_t length) {
    if (direction == kDataIn && length > 0) std::memset(m.readBuffer, 0, length);
}

bool CanCarry(const DriveManager& m, std::uint8_t direction, std::uint32_t length) {
    return m.Usable() && direction <= kNoData && length <= kBufferSize;
}

std::uint8_t RecordNotSent(DriveManager& m, const std::uint8_t* cdb) {
    RecordAttempt(m, cdb, nullptr);
    m.lastElapsed = 0.0;
    m.lastTooSlow = 0;
    return Conclude(m, Verdict::Failed, 0);
}

void RecordAttempt(DriveManager& m, const std::uint8_t* cdb, const std::uint8_t* sense) {
    std::memcpy(m.lastCdb, cdb, sizeof m.lastCdb);
    m.lastElapsed = m.commandTimer.Elapsed();
    // A platform that gives up at the time-out returns after exactly that
    // long: an attempt that used up the whole time-out has timed out too.
    m.lastTooSlow = m.lastElapsed >= static_cast<double>(m.timeoutSeconds) ? 1 : 0;
    m.senseKey = sense != nullptr ? static_cast<std::uint8_t>(sense[2] & 0x0F) : 0;
    m.asc = sense != nullptr ? sense[12] : 0;
    m.ascq = sense != nullptr ? sense[13] : 0;
}

std::uint8_t Conclude(DriveManager& m, Verdict verdict, std::uint32_t transferred) {
    switch (verdict) {
        case Verdict::Good:
            m.lastStatus = kStatusGood;
            m.lastTransferLength = transferred;
            return 1;
        case Verdict::CheckCondition:
            m.lastStatus = kStatusCheckCondition;
            break;
        case Verdict::Failed:
            m.lastStatus = kStatusFailed;
            break;
    }
    m.lastTransferLength = 0;
    return 0;
}

bool MayRetry(const DriveManager& m, int attempt) {
    return m.retryOnFailure == 1 && m.lastTooSlow == 0 && attempt == 0;
}
