// How far one drive's flash has got, followed from the commands it sends
// (the flash procedure itself reports nothing while it runs): the phase,
// the pass (each pass starts with the piece at offset 0) and how many
// pieces of this pass have been read back.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "gated_transport.h"

namespace nflash {

enum class FlashPhase : std::uint8_t {
    Waiting,      // not started
    Preparing,    // readiness wait and stop
    Identifying,  // asking the flash chip
    Loader,       // uploading the loader
    Transfer,     // writing and reading back pieces
    Pausing,      // every piece verified; the pause before the commit
    Committing,   // the drive programs its flash
    Reinquiring,  // waiting for the drive to answer again
    Done,
    Failed,
    Cancelled,
};

std::string PhaseName(FlashPhase phase);

struct ProgressSnapshot {
    FlashPhase phase = FlashPhase::Waiting;
    int pass = 0;
    std::uint32_t readBack = 0;  // pieces of this pass read back
    std::uint32_t pieces = 0;
};

class FlashProgress {
public:
    explicit FlashProgress(std::uint32_t pieces) { snapshot_.pieces = pieces; }

    void Observe(const CommandRequest& request, const CommandResult& result, Delivery delivery);
    void Enter(FlashPhase phase);
    ProgressSnapshot Snapshot() const;

private:
    mutable std::mutex mutex_;
    ProgressSnapshot snapshot_;
};

// "pass 1, 37/64 pieces verified, transferring"
std::string ProgressText(const ProgressSnapshot& snapshot);

}  // namespace nflash
