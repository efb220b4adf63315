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
#include "src/flash/chip_table.h"

namespace nflash {

// The time-out of every command outside a flash (TEST UNIT READY, INQUIRY,
// the identify command, the disc and tray checks, the re-inquiry). None of
// them touches the medium: a working drive answers in milliseconds, and
// one busy spinning a disc up answers "becoming ready" rather than wait, so
// 10 s is a wide margin even for a USB bridge waking up, while a drive or
// bridge that never answers costs 10 s instead of the flash's 30 hours.
// (The kernel gives its own commands to optical drives 30 s.)
constexpr std::uint32_t kIdentityTimeoutSeconds = 10;

struct DriveReading {
    bool answered = false;  // INQUIRY gave an identity
    Identity identity;
    std::optional<std::array<std::uint8_t, 4>> chipId;
};

// Discovery's commands for one drive, as the window sends them, each with
// the short time-out: TEST UNIT READY until no unit attention is left,
// INQUIRY (up to ten times), and the vendor identify command only when the
// drive is the package's (IsPackageDrive): another maker's drive may take
// that opcode for something else entirely.
DriveReading ReadDrive(Transport& transport, const pkg::PackageReader& package);

enum class DiscState : std::uint8_t { Empty, DiscIn, TrayOpen, NoAnswer };

// The window's disc and tray check without its remedies (it ejects and loads
// the tray, and asks the user between): whether the drive holds no disc and
// has its tray in, asked with TEST UNIT READY (after up to 30 s of becoming
// ready) and GET EVENT STATUS NOTIFICATION, each with the short time-out.
// Nothing moves the drive.
DiscState CheckDiscAndTray(Transport& transport);

// FlashFirmware over a session of its own, with the loaders of `loaders`:
// 1 committed, 0 failed.
bool FlashDrive(Transport& transport, LoaderStore loaders, const std::uint8_t* image, std::int32_t imageSize,
                bool bootCode);

// The re-inquiry after a run (RefreshCurrentIdentity's INQUIRY, up to ten
// times, with the short time-out); nothing when the drive gave no identity.
std::optional<Identity> Reinquire(Transport& transport);

}  // namespace nflash
