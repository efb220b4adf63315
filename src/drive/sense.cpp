#include "drive_commands.h"

std::uint8_t SenseIs(const DriveSession& m, std::uint8_t key, std::uint8_t asc) {
    return (m.senseKey == key && m.asc == asc) ? 1 : 0;
}

std::uint8_t SenseIs(const DriveSession& m, std::uint32_t code) {
    return SenseIs(m, SenseKeyOf(code), AscOf(code));
}

std::uint8_t SenseKeyIs(const DriveSession& m, std::uint8_t key) {
    return m.senseKey == key ? 1 : 0;
}
