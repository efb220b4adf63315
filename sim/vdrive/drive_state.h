// What a virtual drive remembers between commands, and the command it is
// running. Internal to the drive; the handlers of each command family work on it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "drive.h"
#include "drive_config.h"

namespace vdrive::detail {

struct Request {
    std::array<std::uint8_t, 12> cdb{};
    Direction direction = Direction::None;
    std::uint8_t* data = nullptr;  // host buffer of `length` bytes
    std::uint32_t length = 0;
};

constexpr int kCommandKindCount = static_cast<int>(CommandKind::Other) + 1;

struct DriveState {
    explicit DriveState(const DriveConfig& config);

    // identity and readiness
    std::string revision;
    bool unitAttentionPending = false;
    int readinessPolls = 0;
    double firstPollSeconds = 0.0;

    // tray and disc
    bool discPresent = true;
    bool trayOpen = false;

    // flashing: the chip table entry matching the drive's chip (-1: none)
    int chipEntry = -1;
    bool loaderAccepted = false;
    std::vector<std::uint8_t> downloadBuffer;
    std::uint32_t highestWritten = 0;  // one past the highest buffer byte an image write filled
    int pass = 0;                      // image writes at offset 0 so far
    std::vector<std::uint8_t> flash;
    int commitCount = 0;
    bool bootCode = false;
    bool vanished = false;

    // bookkeeping
    std::array<int, kCommandKindCount> kindCounts{};
    std::vector<CommandRecord> log;
};

}  // namespace vdrive::detail

namespace vdrive {

struct Drive::State : detail::DriveState {
    using DriveState::DriveState;
};

}  // namespace vdrive
