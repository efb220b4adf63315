// The chip table, the loader offsets and the embedded loader store.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "src/flash/embedded_loader_store.h"
#include "src/flash/chip_table.h"
#include "tools/loadergen/loader_set.h"

namespace {

// Group starts and lengths as the store is laid out; LoaderOffset must reach
// these by summing, whatever entry of the group it is asked about.
struct GroupLayout {
    int group;
    std::uint32_t offset;
    std::uint32_t length;
};
constexpr GroupLayout kStoreLayout[kLoaderGroupCount] = {
    {0, 0, 314},       {1, 314, 452},     {2, 766, 1280},    {3, 2046, 1280},
    {4, 3326, 998},    {5, 4324, 796},    {6, 5120, 694},    {7, 5814, 698},
    {8, 6512, 1280},   {9, 7792, 854},    {10, 8646, 830},   {11, 9476, 742},
    {12, 10218, 946},  {13, 11164, 798},  {14, 11962, 710},  {15, 12672, 942},
    {16, 13614, 802},  {17, 14416, 986},  {18, 15402, 754},  {19, 16156, 1234},
    {20, 17390, 1078}, {21, 18468, 1122},
};

ChipIdentity IdentityOf(int entry) {
    const FlashChipEntry& e = FlashChipTable[entry];
    return {e.makerId, e.deviceId, e.profile[0], e.profile[1]};
}

TEST(ChipTable, EveryEntryFindsItselfAndKeysAreUnique) {
    std::set<std::uint32_t> keys;
    for (int i = 0; i < kChipEntryCount; ++i) {
        EXPECT_EQ(FindChipEntry(IdentityOf(i)), i);
        const ChipIdentity id = IdentityOf(i);
        keys.insert(std::uint32_t(id.makerId) << 24 | id.deviceId << 16 | id.profileHigh << 8 |
                    id.profileLow);
    }
    EXPECT_EQ(keys.size(), std::size_t(kChipEntryCount));
}

TEST(ChipTable, LookupComparesAllFourBytes) {
    EXPECT_EQ(FindChipEntry({0xBF, 0xD6, 0x00, 0x01}), 2);
    EXPECT_EQ(FindChipEntry({0xBF, 0xD6, 0x00, 0x02}), 8);
    EXPECT_EQ(FindChipEntry({0x01, 0x37, 0x00, 0x05}), 22);
    EXPECT_EQ(FindChipEntry({0x01, 0x37, 0x00, 0x06}), 26);
    EXPECT_EQ(FindChipEntry({0xBF, 0xD6, 0x00, 0x00}), -1);  // known chip, unknown profile
    EXPECT_EQ(FindChipEntry({0xBF, 0xD6, 0x01, 0x01}), -1);  // profile high byte counts too
    EXPECT_EQ(FindChipEntry({0x00, 0x00, 0x00, 0x00}), -1);
}

TEST(ChipTable, GroupsAreContiguousAndShareOneLength) {
    EXPECT_EQ(loaderGroup[0], 0);
    EXPECT_EQ(loaderGroup[kChipEntryCount - 1], kLoaderGroupCount - 1);
    for (int i = 1; i < kChipEntryCount; ++i) {
        const int step = loaderGroup[i] - loaderGroup[i - 1];
        EXPECT_TRUE(step == 0 || step == 1) << "entry " << i;
        if (step == 0) {
            EXPECT_EQ(LoaderLength(i), LoaderLength(i - 1)) << "entry " << i;
        }
    }
}

TEST(ChipTable, LoaderOffsetsSumToTheStoreLayout) {
    std::uint32_t total = 0;
    for (int i = 0; i < kChipEntryCount; ++i) {
        const GroupLayout& g = kStoreLayout[loaderGroup[i]];
        EXPECT_EQ(LoaderOffset(i), g.offset) << "entry " << i;
        EXPECT_EQ(LoaderLength(i), g.length) << "entry " << i;
    }
    for (const GroupLayout& g : kStoreLayout) total += g.length;
    EXPECT_EQ(total, kLoaderStoreSize);
    EXPECT_EQ(LoaderOffset(26) + LoaderLength(26), kLoaderStoreSize);
}

TEST(LoaderStore, EveryLoaderCarriesItsTagAndZeroTail) {
    const std::uint8_t* store = EmbeddedLoaderStore().data();
    for (const GroupLayout& g : kStoreLayout) {
        const std::uint8_t* loader = store + g.offset;
        EXPECT_EQ(std::memcmp(loader, "NVLD", 4), 0) << "group " << g.group;
        EXPECT_EQ(loader[4], g.group);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(loader + 5)),
                  loadergen::GroupChipName(g.group));
        for (std::uint32_t i = g.length - 8; i < g.length; ++i)
            EXPECT_EQ(loader[i], 0) << "group " << g.group << " byte " << i;
    }
}

#ifndef NORVEK_CUSTOM_LOADER_FILE
TEST(LoaderStore, CommittedFileIsTheGeneratorsOutputAndIsEmbedded) {
    std::ifstream in(NORVEK_LOADERS_BIN, std::ios::binary);
    ASSERT_TRUE(in) << NORVEK_LOADERS_BIN;
    const std::vector<std::uint8_t> file{std::istreambuf_iterator<char>(in), {}};
    const std::vector<std::uint8_t> generated = loadergen::MakeLoaderStore();
    ASSERT_EQ(file.size(), kLoaderStoreSize);
    EXPECT_EQ(file, generated) << "regenerate src/flash/loaders.bin with norvek-loadergen";
    EXPECT_EQ(std::memcmp(EmbeddedLoaderStore().data(), file.data(), kLoaderStoreSize), 0);
}
#endif

}  // namespace
