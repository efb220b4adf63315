#include "drive_state.h"

#include "src/flash/chip_table.h"

namespace vdrive::detail {

namespace {

// Erased flash reads as all ones: what a drive shows before its first commit.
constexpr std::uint8_t kErasedFlash = 0xFF;

int ChipEntryOf(const std::array<std::uint8_t, 4>& chipId) {
    return FindChipEntry(ChipIdentity{chipId[0], chipId[1], chipId[2], chipId[3]});
}

}  // namespace

DriveState::DriveState(const DriveConfig& config)
    : revision(config.revision),
      unitAttentionPending(config.unitAttention),
      discPresent(config.discPresent),
      trayOpen(config.trayOpen),
      chipEntry(ChipEntryOf(config.chipId)),
      downloadBuffer(wire::kDownloadBufferSize, 0),
      flash(wire::kDownloadBufferSize, kErasedFlash) {}

}  // namespace vdrive::detail
