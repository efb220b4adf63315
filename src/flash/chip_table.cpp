#include "chip_table.h"

// Rows as they go on the wire: maker, device, profile (big-endian), loader
// length (big-endian). The row doubles as the upload header, so its bytes are
// stored rather than computed.
const FlashChipEntry FlashChipTable[kChipEntryCount] = {
    {0xDA, 0xC8, {0x00, 0x00}, {0x01, 0x3A}},  //  0 W29C512A / W29EE512, 314
    {0xBF, 0xB4, {0x00, 0x00}, {0x01, 0xC4}},  //  1 SST39SF512, 452
    {0xBF, 0xD6, {0x00, 0x01}, {0x05, 0x00}},  //  2 SST39VF020, 1280
    {0xBF, 0xB6, {0x00, 0x01}, {0x05, 0x00}},  //  3 SST39SF020, 1280
    {0x37, 0x8C, {0x00, 0x01}, {0x05, 0x00}},  //  4 A29002, 1280
    {0xBF, 0xD7, {0x00, 0x03}, {0x03, 0xE6}},  //  5 SST39VF040, 998
    {0x37, 0x0D, {0x00, 0x02}, {0x03, 0x1C}},  //  6 A290021, 796
    {0xBF, 0xB6, {0x00, 0x02}, {0x02, 0xB6}},  //  7 SST39SF020, 694
    {0xBF, 0xD6, {0x00, 0x02}, {0x02, 0xB6}},  //  8 SST39VF020, 694
    {0xDA, 0xB5, {0x00, 0x02}, {0x02, 0xBA}},  //  9 W39L020, 698
    {0xDA, 0xB5, {0x00, 0x01}, {0x05, 0x00}},  // 10 W39L020, 1280
    {0xBF, 0xD7, {0x00, 0x04}, {0x03, 0x56}},  // 11 SST39VF040, 854
    {0xC2, 0xB6, {0x00, 0x03}, {0x03, 0x3E}},  // 12 MX29LV040B, 830
    {0xDA, 0x46, {0x00, 0x03}, {0x02, 0xE6}},  // 13 W29C040, 742
    {0x37, 0xB5, {0x00, 0x03}, {0x03, 0xB2}},  // 14 A29L004, 946
    {0xC2, 0xB6, {0x00, 0x07}, {0x03, 0x1E}},  // 15 MX29LV040B, 798
    {0xDA, 0x46, {0x00, 0x07}, {0x02, 0xC6}},  // 16 W29C040, 710
    {0x37, 0xB5, {0x00, 0x04}, {0x03, 0xAE}},  // 17 A29L004, 942
    {0x37, 0xB5, {0x00, 0x07}, {0x03, 0x22}},  // 18 A29L004, 802
    {0x9D, 0x3E, {0x00, 0x04}, {0x03, 0xDA}},  // 19 PM39LV40, 986
    {0xDA, 0xB6, {0x00, 0x07}, {0x02, 0xF2}},  // 20 W39L040P, 754
    {0xBF, 0xD8, {0x00, 0x05}, {0x04, 0xD2}},  // 21 8-Mbit shared loader, 1234
    {0x01, 0x37, {0x00, 0x05}, {0x04, 0xD2}},  // 22 8-Mbit shared loader, 1234
    {0xC2, 0x37, {0x00, 0x05}, {0x04, 0xD2}},  // 23 8-Mbit shared loader, 1234
    {0xC2, 0x38, {0x00, 0x05}, {0x04, 0xD2}},  // 24 8-Mbit shared loader, 1234
    {0xBF, 0xD8, {0x00, 0x06}, {0x04, 0x36}},  // 25 SST39VF080 / SST39LF080, 1078
    {0x01, 0x37, {0x00, 0x06}, {0x04, 0x62}},  // 26 AM29LV008BB, 1122
};

const std::uint8_t loaderGroup[kChipEntryCount] = {
    0, 1, 2, 2, 3, 4, 5, 6, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 19, 19, 19, 20, 21,
};

std::uint16_t LoaderLength(int entry) {
    const FlashChipEntry& e = FlashChipTable[entry];
    return static_cast<std::uint16_t>((e.loaderLength[0] << 8) | e.loaderLength[1]);
}

int FindChipEntry(const ChipIdentity& id) {
    for (int i = 0; i < kChipEntryCount; ++i) {
        const FlashChipEntry& e = FlashChipTable[i];
        if (e.makerId == id.makerId && e.deviceId == id.deviceId &&
            e.profile[0] == id.profileHigh && e.profile[1] == id.profileLow)
            return i;
    }
    return -1;
}

// Entries sharing a loader stand next to each other; each earlier group is
// counted once, by the length of its last entry, so an entry inside a group
// lands on the group's first byte.
std::uint32_t LoaderOffset(int entry) {
    std::uint32_t offset = 0;
    for (int i = 1; i <= entry; ++i) {
        if (loaderGroup[i] != loaderGroup[i - 1]) offset += LoaderLength(i - 1);
    }
    return offset;
}
