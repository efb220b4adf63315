#include "drive_access.h"

#include <cstring>

#include "src/drive/drive_commands.h"
#include "src/drive/identity_row.h"
#include "src/drive/session/drive_session.h"
#include "src/flash/flash_procedure.h"

namespace nflash {
namespace {

template <std::size_t N>
std::string Field(const char (&field)[N]) {
    return std::string(field, strnlen(field, N - 1));
}

Identity IdentityOf(const DriveSession& session) {
    return Identity{Field(session.vendor), Field(session.product), Field(session.revision),
                    Field(session.vendorSpecific)};
}

}  // namespace

DriveReading ReadDrive(Transport& transport, const pkg::PackageReader& package) {
    DriveSession session(&transport);
    session.SetTimeout(kIdentityTimeoutSeconds);
    DriveReading reading;
    if (!session.Usable()) return reading;
    ClearUnitAttention(session);
    // A drive that never names itself keeps an empty identity, as in the window.
    if (ReadIdentityRetrying(session)) {
        reading.answered = true;
        reading.identity = IdentityOf(session);
    }
    if (reading.answered && IsPackageDrive(reading.identity, package) && VendorIdentify(session)) {
        std::array<std::uint8_t, 4> chip;
        std::memcpy(chip.data(), session.readBuffer, chip.size());
        reading.chipId = chip;
    }
    return reading;
}

DiscState CheckDiscAndTray(Transport& transport) {
    DriveSession session(&transport);
    session.SetTimeout(kIdentityTimeoutSeconds);
    if (!session.Usable()) return DiscState::NoAnswer;
    const bool absent = IsMediumAbsent(session) != 0;
    if (session.lastStatus == kStatusFailed) return DiscState::NoAnswer;
    if (!absent) return DiscState::DiscIn;
    return IsTrayOpen(session) ? DiscState::TrayOpen : DiscState::Empty;
}

bool FlashDrive(Transport& transport, LoaderStore loaders, const std::uint8_t* image, std::int32_t imageSize,
                bool bootCode) {
    DriveSession session(&transport);
    return session.Usable() && FlashFirmware(session, loaders, image, imageSize, bootCode ? 1 : 0) == 1;
}

std::optional<Identity> Reinquire(Transport& transport) {
    DriveSession session(&transport);
    session.SetTimeout(kIdentityTimeoutSeconds);
    if (!session.Usable() || !ReadIdentityRetrying(session)) return std::nullopt;
    return IdentityOf(session);
}

}  // namespace nflash
