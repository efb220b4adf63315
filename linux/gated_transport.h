// The transport one drive's flash talks through: it asks the run's
// control before the first command that changes the drive, and keeps every
// later command from the drive once the drive is cancelled; in a dry run it
// lets the drive see nothing from that first changing command on and
// answers the rest from a model. Every command, sent or not, is reported to
// the observer (progress, run log).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "dry_run_model.h"
#include "run_control.h"
#include "src/drive/transport/transport.h"

namespace nflash {

enum class RunMode : std::uint8_t { Flash, DryRun };

enum class Delivery : std::uint8_t {
    Sent,      // reached the drive
    Planned,   // dry run: what would have been sent
    Withheld,  // the drive was cancelled: not sent
};

struct PlannedCommand {
    std::array<std::uint8_t, kCdbLength> cdb{};
    std::uint8_t direction = kNoData;
    std::uint32_t length = 0;
};

using CommandObserver = std::function<void(const CommandRequest&, const CommandResult&, Delivery)>;

class GatedTransport final : public Transport {
public:
    GatedTransport(Transport& drive, RunControl& control, std::size_t index, RunMode mode,
                   std::array<std::uint8_t, 4> chipId, CommandObserver observer);

    CommandResult Send(const CommandRequest& request) override;
    bool Addressed() const override { return drive_.Addressed(); }

    // The commands a dry run answered itself, in order.
    const std::vector<PlannedCommand>& Plan() const { return plan_; }
    // The drive was cancelled before it was changed.
    bool Withheld() const { return withheld_; }

private:
    CommandResult Report(const CommandRequest& request, CommandResult result, Delivery delivery);

    Transport& drive_;
    RunControl& control_;
    std::size_t index_;
    RunMode mode_;
    DryRunModel model_;
    CommandObserver observer_;
    bool changing_ = false;
    bool withheld_ = false;
    std::vector<PlannedCommand> plan_;
};

}  // namespace nflash
