// Tray and spindle: all sent with the immediate bit clear, so each command
// returns only once the drive has finished the movement.
#include "drive_commands.h"

namespace {

constexpr std::uint8_t kPolled = 1;
constexpr std::uint8_t kMediaClass = 0x10;
constexpr std::uint32_t kMediaEventLength = 8;
constexpr int kMediaStatusByte = 5;
constexpr std::uint8_t kDoorOpen = 0x01;

}  // namespace

std::uint8_t IsTrayOpen(DriveSession& m) {
    if (!GetEventStatus(m, kPolled, kMediaClass, kMediaEventLength, 0)) return 0;
    return (m.readBuffer[kMediaStatusByte] & kDoorOpen) ? 1 : 0;
}

std::uint8_t LoadTray(DriveSession& m) { return StartStopUnit(m, 0, 0, 1, 1); }

std::uint8_t EjectTray(DriveSession& m) { return StartStopUnit(m, 0, 0, 1, 0); }

std::uint8_t StopUnit(DriveSession& m) { return StartStopUnit(m, 0, 0, 0, 0); }
