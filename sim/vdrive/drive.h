// A virtual optical drive: the device model behind the simulated machine and
// the test ASPI DLL.
//
// Transports (winsim's pass-through and ASPI, the WNASPI32 test DLL) hand it
// one 12-byte command block at a time and turn its Outcome into what their
// interface reports. The drive never sleeps itself: it says how long the
// command took (latency) and the transport waits that long on its clock.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "drive_config.h"

namespace vdrive {

enum class Direction : std::uint8_t { Out = 0, In = 1, None = 2 };

constexpr std::uint8_t kStatusGood = wire::kScsiGood;
constexpr std::uint8_t kStatusCheckCondition = wire::kScsiCheckCondition;
constexpr std::uint8_t kStatusConditionMet = wire::kScsiConditionMet;
constexpr std::uint8_t kStatusBusy = wire::kScsiBusy;

struct Outcome {
    bool delivered = true;            // false: the command never reached the drive or got no answer
    std::uint8_t scsiStatus = kStatusGood;
    std::array<std::uint8_t, 18> sense{};  // fixed-format sense, valid with CHECK CONDITION
    std::uint32_t transferred = 0;    // bytes actually moved in the data phase
    double latencySeconds = 0.0;      // how long the drive took to answer; infinite: never (Hung)

    // A hung command: nothing comes back, however long the host waits.
    bool Hung() const { return !delivered && std::isinf(latencySeconds); }
};

struct CommandRecord {
    std::array<std::uint8_t, 12> cdb{};
    Direction direction = Direction::None;
    std::uint32_t length = 0;
    std::vector<std::uint8_t> dataOut;  // kept for WRITE BUFFER only
};

class Drive {
public:
    explicit Drive(DriveConfig config = {});

    // Runs one command. `data` is the host buffer of `length` bytes: read
    // from for Direction::Out, written to for Direction::In, unused for None.
    Outcome Execute(const std::uint8_t* cdb, Direction direction, std::uint8_t* data,
                    std::uint32_t length);

    // ---- inspection, for tests and the DLL's exit report --------------------
    std::vector<CommandRecord> Commands() const;
    std::vector<std::array<std::uint8_t, 12>> CommandBlocks() const;
    std::vector<std::uint8_t> FlashContents() const;
    std::string Revision() const;
    bool BootCodeRequested() const;
    int CommitCount() const;
    bool LoaderAccepted() const;
    // Bytes held in the download buffer at [offset, offset + length), cut at its end.
    std::vector<std::uint8_t> DownloadBuffer(std::uint32_t offset, std::uint32_t length) const;
    bool DiscPresent() const;
    bool TrayOpen() const;
    const DriveConfig& Config() const { return config_; }

    // ---- what a user does at the machine ------------------------------------
    void SetDiscPresent(bool present);
    void SetTrayOpen(bool open);

private:
    struct State;
    DriveConfig config_;
    mutable std::mutex mutex_;
    std::shared_ptr<State> state_;
};

}  // namespace vdrive
