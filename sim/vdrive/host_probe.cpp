// What an operating system asks every optical drive it finds, and a drive
// of this kind answers: the MM capabilities mode page (2Ah), through MODE
// SENSE (6) and (10), and GET CONFIGURATION's feature header with the
// profile list. Linux's sr driver asks both at probe. The drive's disc holds
// no readable data, so the current profile is none; every other page, and
// every other unknown command, is refused with ILLEGAL REQUEST.
#include <array>

#include "data_phase.h"
#include "handlers.h"
#include "sense.h"

namespace vdrive::detail {

namespace {

constexpr std::uint8_t kOpModeSense6 = 0x1A;
constexpr std::uint8_t kOpModeSense10 = 0x5A;
constexpr std::uint8_t kOpGetConfiguration = 0x46;
constexpr std::uint8_t kCapabilitiesPage = 0x2A;
constexpr std::uint8_t kPageCodeMask = 0x3F;
constexpr std::size_t kPageLength = 2 + 0x14;

// Page 2Ah, the MMC-3 form a DVD writer of this age reports.
constexpr std::array<std::uint8_t, kPageLength> kCapabilities{
    kCapabilitiesPage, 0x14,
    0x3B,        // reads CD-R, CD-RW, DVD-ROM, DVD-R
    0x13,        // writes CD-R, CD-RW, DVD-R
    0x70,        // multi-session, mode 2 form 1 and 2
    0x00,        // no CD-DA commands
    0x29,        // tray loading, eject, lock
    0x00,
    0x1B, 0x90,  // obsolete: highest read speed, 7056 kB/s
    0x00, 0xFF,  // volume levels
    0x00, 0x02,  // buffer size, 2 MiB in KiB units
    0x1B, 0x90,  // obsolete: current read speed
    0x00, 0x00,
    0x0D, 0xC8,  // obsolete: highest write speed, 3528 kB/s
    0x0D, 0xC8,  // obsolete: current write speed
};

Outcome ModeSense(const Request& request, std::size_t headerLength, std::uint32_t allocation) {
    if ((request.cdb[2] & kPageCodeMask) != kCapabilitiesPage) return CheckCondition(kInvalidFieldInCdb);
    std::array<std::uint8_t, 8 + kPageLength> reply{};
    const std::size_t total = headerLength + kPageLength;
    if (headerLength == 4) {
        reply[0] = static_cast<std::uint8_t>(total - 1);  // mode data length
    } else {
        reply[1] = static_cast<std::uint8_t>(total - 2);
    }
    std::copy(kCapabilities.begin(), kCapabilities.end(), reply.begin() + static_cast<std::ptrdiff_t>(headerLength));
    return SendIn(request, std::span(reply.data(), total), allocation);
}

Outcome GetConfiguration(const Request& request) {
    // Feature header, then feature 0000h (the profile list) with its profiles.
    constexpr std::array<std::uint16_t, 4> kProfiles{0x0011, 0x0010, 0x0009, 0x0008};  // DVD-R, DVD-ROM, CD-R, CD-ROM
    std::array<std::uint8_t, 8 + 4 + 4 * kProfiles.size()> reply{};
    reply[3] = static_cast<std::uint8_t>(reply.size() - 4);  // data length; current profile (6-7) none
    reply[8 + 2] = 0x03;                                      // persistent, current
    reply[8 + 3] = static_cast<std::uint8_t>(4 * kProfiles.size());
    for (std::size_t i = 0; i < kProfiles.size(); ++i) {
        reply[12 + 4 * i] = static_cast<std::uint8_t>(kProfiles[i] >> 8);
        reply[12 + 4 * i + 1] = static_cast<std::uint8_t>(kProfiles[i]);
    }
    return SendIn(request, reply, Be16(&request.cdb[7]));
}

}  // namespace

Outcome HostProbe(const Request& request) {
    switch (request.cdb[0]) {
    case kOpModeSense6: return ModeSense(request, 4, request.cdb[4]);
    case kOpModeSense10: return ModeSense(request, 8, Be16(&request.cdb[7]));
    case kOpGetConfiguration: return GetConfiguration(request);
    default: return CheckCondition(kInvalidOpcode);
    }
}

}  // namespace vdrive::detail
