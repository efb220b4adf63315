#include "loader_set.h"

#include <algorithm>
#include <array>

#include "src/flash/chip_table.h"

namespace loadergen {

namespace {

constexpr std::array<std::string_view, kLoaderGroupCount> kChipNames = {
    "W29C512A",   "SST39SF512", "SST39VF020", "A29002",   "SST39VF040", "A290021",
    "SST39SF020", "W39L020",    "W39L020",    "SST39VF040", "MX29LV040B", "W29C040",
    "A29L004",    "MX29LV040B", "W29C040",    "A29L004",  "A29L004",    "PM39LV40",
    "W39L040P",   "8MBIT-SHARED", "SST39VF080", "AM29LV008BB",
};

// xorshift32: the same bytes on every host, and no zero bytes in the filler,
// so a zero found inside a loader is a tag terminator or the tail.
class Filler {
public:
    explicit Filler(int group) : state_(0x9E3779B9u ^ static_cast<std::uint32_t>(group * 0x01000193)) {}
    std::uint8_t Next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return static_cast<std::uint8_t>(1 + state_ % 255);
    }

private:
    std::uint32_t state_;
};

}  // namespace

std::string_view GroupChipName(int group) { return kChipNames.at(static_cast<std::size_t>(group)); }

std::vector<std::uint8_t> MakeLoader(int group, std::size_t length) {
    std::vector<std::uint8_t> loader;
    loader.reserve(length);
    loader.insert(loader.end(), kTagMagic.begin(), kTagMagic.end());
    loader.push_back(static_cast<std::uint8_t>(group));
    const std::string_view name = GroupChipName(group);
    loader.insert(loader.end(), name.begin(), name.end());
    loader.push_back(0);
    Filler filler(group);
    while (loader.size() + kZeroTail < length) loader.push_back(filler.Next());
    loader.resize(length, 0);
    return loader;
}

std::vector<std::uint8_t> MakeLoaderStore() {
    std::vector<std::uint8_t> store;
    store.reserve(kLoaderStoreSize);
    for (int entry = 0; entry < kChipEntryCount; ++entry) {
        const bool firstOfGroup = entry == 0 || loaderGroup[entry] != loaderGroup[entry - 1];
        if (!firstOfGroup) continue;
        const std::vector<std::uint8_t> loader = MakeLoader(loaderGroup[entry], LoaderLength(entry));
        store.insert(store.end(), loader.begin(), loader.end());
    }
    return store;
}

}  // namespace loadergen
