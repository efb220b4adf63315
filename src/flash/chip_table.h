// The known flash chips and the loaders built into the program. Read-only
// data shared by every worker (and by the virtual drive, which checks that it
// received the right loader).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

struct ChipIdentity {
    std::uint8_t makerId;
    std::uint8_t deviceId;
    std::uint8_t profileHigh;
    std::uint8_t profileLow;
};

// One row of the chip table, stored as it goes on the wire (it is the upload header).
struct FlashChipEntry {
    std::uint8_t makerId;
    std::uint8_t deviceId;
    std::uint8_t profile[2];       // big-endian
    std::uint8_t loaderLength[2];  // big-endian
};
static_assert(sizeof(FlashChipEntry) == 6);

constexpr int kChipEntryCount = 27;
constexpr int kLoaderGroupCount = 22;
constexpr std::size_t kLoaderStoreSize = 19590;

extern const FlashChipEntry FlashChipTable[kChipEntryCount];
extern const std::uint8_t loaderGroup[kChipEntryCount];
// The 22 loaders end to end, as the chip table's offsets address them. The
// flash procedure uploads from the store it is given and never owns it: the
// Windows program passes the one it embeds (embedded_loader_store.h),
// norvek-flash the checked one inside the updater file.
using LoaderStore = std::span<const std::uint8_t, kLoaderStoreSize>;

std::uint16_t LoaderLength(int entry);
int FindChipEntry(const ChipIdentity& id);  // 0..26, or -1
std::uint32_t LoaderOffset(int entry);
