#include "drive_commands.h"

std::uint8_t SenseIs(const DriveManager& m, std::uint8_t key, std::uint8_t asc) {
    return (m.senseKey == key && m.asc == asc) ? 1 : 0;
}

std::uint8_t SenseKeyIs(const DriveManager& m, std::uint8_t key) {
    return m.senseKey == key ? 1 : 0;
}
