// The CD-ROM class driver's exclusive access lock, and the media polling
// that it keeps away from a locked drive.
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "device_control.h"
#include "src/platform/cdrom_exclusive.h"

namespace sim {

namespace {

constexpr std::int64_t kPollIntervalNanos = 1'000'000'000;
// A clock that jumped hours ahead owes thousands of polls; a few show the
// same thing.
constexpr std::int64_t kMaxPollRounds = 3;

void CopyName(BYTE (&field)[cdrom::kCallerNameLength], const std::string& name) {
    std::memset(field, 0, sizeof field);
    std::memcpy(field, name.data(), std::min(name.size(), sizeof field - 1));
}

IoctlResult Query(const DriveLetter& letter, void* out, DWORD outSize) {
    if (!out || outSize < sizeof(cdrom::ExclusiveLockState)) return Failure(ERROR_INVALID_PARAMETER);
    cdrom::ExclusiveLockState state{};
    state.lockState = letter.device->lockedBy.empty() ? 0 : 1;
    CopyName(state.callerName, letter.device->lockedBy);
    std::memcpy(out, &state, sizeof state);
    return {true, ERROR_SUCCESS, sizeof state};
}

void Poll(vdrive::Drive& drive) {
    const std::uint8_t testUnitReady[12]{};
    const std::uint8_t eventStatus[12]{0x4A, 0x01, 0, 0, 0x10, 0, 0, 0, 8, 0, 0, 0};
    std::uint8_t reply[8]{};
    drive.Execute(testUnitReady, vdrive::Direction::None, nullptr, 0);
    drive.Execute(eventStatus, vdrive::Direction::In, reply, sizeof reply);
}

}  // namespace

IoctlResult AnswerExclusiveAccess(DriveLetter& letter, HANDLE handle, const void* in, DWORD inSize,
                                  void* out, DWORD outSize) {
    CdromDevice& device = *letter.device;
    if (!device.exclusiveAccess) return Failure(ERROR_INVALID_FUNCTION);
    if (!in || inSize < sizeof(cdrom::ExclusiveAccess)) return Failure(ERROR_INVALID_PARAMETER);
    cdrom::ExclusiveAccess access;
    std::memcpy(&access, in, sizeof access);
    if (access.requestType == cdrom::kQueryState) return Query(letter, out, outSize);
    if (inSize < sizeof(cdrom::ExclusiveLock)) return Failure(ERROR_INVALID_PARAMETER);
    cdrom::ExclusiveLock lock;
    std::memcpy(&lock, in, sizeof lock);
    if (access.requestType == cdrom::kLockDevice) {
        if (!device.lockedBy.empty()) return Failure(ERROR_ACCESS_DENIED);
        const auto* name = reinterpret_cast<const char*>(lock.callerName);
        device.lockedBy.assign(name, strnlen(name, sizeof lock.callerName));
        letter.lockHolder = handle;
        return {true, ERROR_SUCCESS, 0};
    }
    if (access.requestType == cdrom::kUnlockDevice) {
        if (device.lockedBy.empty() || letter.lockHolder != handle) return Failure(ERROR_INVALID_PARAMETER);
        device.lockedBy.clear();
        letter.lockHolder = nullptr;
        return {true, ERROR_SUCCESS, 0};
    }
    return Failure(ERROR_INVALID_PARAMETER);
}

void ReleaseExclusiveLocks(Machine::State& s, HANDLE handle) {
    for (DriveLetter& letter : s.letters) {
        if (!letter.device || letter.lockHolder != handle) continue;
        letter.device->lockedBy.clear();
        letter.lockHolder = nullptr;
    }
}

void CatchUpMediaPolling(Machine::State& s, std::unique_lock<std::mutex>& lock) {
    if (!s.mediaPolling) return;
    const std::int64_t rounds = (s.clock.Now() - s.lastMediaPoll) / kPollIntervalNanos;
    if (rounds <= 0) return;
    s.lastMediaPoll += rounds * kPollIntervalNanos;
    std::vector<std::shared_ptr<vdrive::Drive>> polled;
    for (const DriveLetter& letter : s.letters)
        if (letter.device && letter.device->drive && letter.device->lockedBy.empty())
            polled.push_back(letter.device->drive);
    // The drives answer on their own locks; the machine's is not needed.
    lock.unlock();
    for (std::int64_t r = 0; r < std::min(rounds, kMaxPollRounds); ++r)
        for (const auto& drive : polled) Poll(*drive);
    lock.lock();
}

}  // namespace sim

void sim::Machine::SetMediaPolling(bool on) {
    std::lock_guard lock(state_->mutex);
    state_->mediaPolling = on;
    state_->lastMediaPoll = state_->clock.Now();
}

std::string sim::Machine::ExclusiveHolder(char letter) const {
    std::lock_guard lock(state_->mutex);
    const DriveLetter* entry = state_->FindLetter(letter);
    return entry && entry->device ? entry->device->lockedBy : std::string{};
}
