// What norvek-flash asks of one drive, through the Windows program's own
// command set and flash procedure over a session on any transport, so the
// drive receives exactly the commands the window's discovery, worker and
// re-inquiry send it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "decision.h"
#include "src/drive/transport/transport.h"

namespace nflash {

struct DriveReading {
    bool answered = false;  // INQUIRY gave an identity
    Identity identity;
    std::optional<std::array<std::uint8_t, 4>> chipId;
};

// Discovery's commands for one drive, as the window sends them: TEST UNIT
// READY until no unit attention is left, INQUIRY (up to ten times), the
// vendor identify command.
DriveReading ReadDrive(Transport& transport);

// FlashFirmware over a session of its own: 1 committed, 0 failed.
bool FlashDrive(Transport& transport, const std::uint8_t* image, std::int32_t imageSize, bool bootCode);

// The re-inquiry after a run (RefreshCurrentIdentity's INQUIRY, up to ten
// times); nothing when the drive gave no identity.
std::optional<Identity> Reinquire(Transport& transport);

}  // namespace nflash
