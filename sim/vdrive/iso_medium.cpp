#include "iso_medium.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace vdrive::detail {

namespace {

constexpr std::uint32_t kSectors = 20;
constexpr std::uint32_t kDescriptorSector = 16;  // the system area comes first
constexpr std::uint32_t kTerminatorSector = 17;
constexpr std::uint32_t kRootSector = 18;
constexpr std::size_t kRecordLength = 34;  // a directory record with a one-byte name

// ISO 9660 stores many numbers twice: little-endian, then big-endian.
void PutBoth16(std::uint8_t* at, std::uint16_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
    at[2] = at[1];
    at[3] = at[0];
}

void PutBoth32(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
        at[7 - i] = at[i];
    }
}

void PutText(std::uint8_t* at, std::size_t width, std::string_view text) {
    std::memset(at, ' ', width);
    std::memcpy(at, text.data(), std::min(width, text.size()));
}

// A record for the root directory (name byte 0: itself, 1: its parent).
void PutRootRecord(std::uint8_t* at, std::uint8_t name) {
    at[0] = kRecordLength;
    PutBoth32(at + 2, kRootSector);
    PutBoth32(at + 10, kSectorSize);
    at[25] = 0x02;  // a directory
    PutBoth16(at + 28, 1);  // volume sequence number
    at[32] = 1;     // name length
    at[33] = name;
}

std::vector<std::uint8_t> Build() {
    std::vector<std::uint8_t> disc(kSectors * kSectorSize);
    std::uint8_t* pvd = disc.data() + kDescriptorSector * kSectorSize;
    pvd[0] = 1;  // primary volume descriptor
    std::memcpy(pvd + 1, "CD001", 5);
    pvd[6] = 1;
    PutText(pvd + 8, 32, "NORVEK");
    PutText(pvd + 40, 32, "NORVEK_VIRTUAL_DISC");
    PutBoth32(pvd + 80, kSectors);
    PutBoth16(pvd + 120, 1);  // volume set size
    PutBoth16(pvd + 124, 1);  // volume sequence number
    PutBoth16(pvd + 128, kSectorSize);
    PutRootRecord(pvd + 156, 0);
    pvd[881] = 1;  // file structure version

    std::uint8_t* end = disc.data() + kTerminatorSector * kSectorSize;
    end[0] = 255;
    std::memcpy(end + 1, "CD001", 5);
    end[6] = 1;

    std::uint8_t* root = disc.data() + kRootSector * kSectorSize;
    PutRootRecord(root, 0);
    PutRootRecord(root + kRecordLength, 1);
    return disc;
}

}  // namespace

const std::vector<std::uint8_t>& IsoMedium() {
    static const std::vector<std::uint8_t> disc = Build();
    return disc;
}

}  // namespace vdrive::detail
