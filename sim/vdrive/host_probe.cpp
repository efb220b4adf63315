// What an operating system asks every optical drive it finds, and a drive
// of this kind answers: the MM capabilities mode page (2Ah), through MODE
// SENSE (6) and (10), and GET CONFIGURATION's feature header with the
// profile list. Linux's sr driver asks both at probe. A readable disc (the
// small ISO 9660 volume of iso_medium.h) is served by READ CAPACITY and
// READ (10), and makes the current profile CD-ROM; otherwise the disc holds
// nothing readable and those are refused as unknown, as is every other page
// and every other command.
#include <array>

#include "data_phase.h"
#include "handlers.h"
#include "iso_medium.h"
#include "sense.h"

namespace vdrive::detail {

namespace {

constexpr std::uint8_t kOpModeSense6 = 0x1A;
constexpr std::uint8_t kOpModeSense10 = 0x5A;
constexpr std::uint8_t kOpGetConfiguration = 0x46;
constexpr std::uint8_t kOpReadCapacity = 0x25;
constexpr std::uint8_t kOpRead10 = 0x28;
constexpr std::uint8_t kProfileCdRom = 0x08;
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

bool Readable(const DriveState& state, const DriveConfig& config) {
    return config.readableDisc && state.discPresent && !state.trayOpen;
}

Outcome ReadCapacity(const Request& request) {
    const auto last = static_cast<std::uint32_t>(IsoMedium().size() / kSectorSize) - 1;
    const std::array<std::uint8_t, 8> reply{static_cast<std::uint8_t>(last >> 24),
                                            static_cast<std::uint8_t>(last >> 16),
                                            static_cast<std::uint8_t>(last >> 8),
                                            static_cast<std::uint8_t>(last),
                                            0,
                                            0,
                                            static_cast<std::uint8_t>(kSectorSize >> 8),
                                            0};
    return SendIn(request, reply, static_cast<std::uint32_t>(reply.size()));
}

Outcome Read10(const Request& request) {
    const std::uint32_t first = (Be16(&request.cdb[2]) << 16) | Be16(&request.cdb[4]);
    const std::uint32_t count = Be16(&request.cdb[7]);
    const std::vector<std::uint8_t>& disc = IsoMedium();
    if (std::uint64_t{first} + count > disc.size() / kSectorSize) return CheckCondition(kLbaOutOfRange);
    return SendIn(request, std::span(disc.data() + std::size_t{first} * kSectorSize, std::size_t{count} * kSectorSize),
                  count * kSectorSize);
}

Outcome GetConfiguration(const Request& request, bool readable) {
    // Feature header, then feature 0000h (the profile list) with its profiles.
    constexpr std::array<std::uint16_t, 4> kProfiles{0x0011, 0x0010, 0x0009, 0x0008};  // DVD-R, DVD-ROM, CD-R, CD-ROM
    std::array<std::uint8_t, 8 + 4 + 4 * kProfiles.size()> reply{};
    reply[3] = static_cast<std::uint8_t>(reply.size() - 4);  // data length
    reply[7] = readable ? kProfileCdRom : 0;                  // current profile
    reply[8 + 2] = 0x03;                                      // persistent, current
    reply[8 + 3] = static_cast<std::uint8_t>(4 * kProfiles.size());
    for (std::size_t i = 0; i < kProfiles.size(); ++i) {
        reply[12 + 4 * i] = static_cast<std::uint8_t>(kProfiles[i] >> 8);
        reply[12 + 4 * i + 1] = static_cast<std::uint8_t>(kProfiles[i]);
    }
    return SendIn(request, reply, Be16(&request.cdb[7]));
}

}  // namespace

Outcome HostProbe(const DriveState& state, const DriveConfig& config, const Request& request) {
    const bool readable = Readable(state, config);
    switch (request.cdb[0]) {
    case kOpModeSense6: return ModeSense(request, 4, request.cdb[4]);
    case kOpModeSense10: return ModeSense(request, 8, Be16(&request.cdb[7]));
    case kOpGetConfiguration: return GetConfiguration(request, readable);
    case kOpReadCapacity: return readable ? ReadCapacity(request) : CheckCondition(kInvalidOpcode);
    case kOpRead10: return readable ? Read10(request) : CheckCondition(kInvalidOpcode);
    default: return CheckCondition(kInvalidOpcode);
    }
}

}  // namespace vdrive::detail
