#include "pe_checksum.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A minimal PE image: DOS header pointing at 0x40, the PE signature, a file
// header announcing a 0x60-byte optional header, and that header with the
// magic of a PE32 (or, given 0x20B, a PE32+) image.
std::vector<std::uint8_t> TinyPe(std::uint8_t magicHigh = 0x01) {
    std::vector<std::uint8_t> f(0xB8, 0);
    f[0] = 'M';
    f[1] = 'Z';
    f[0x3C] = 0x40;
    f[0x40] = 'P';
    f[0x41] = 'E';
    f[0x40 + 20] = 0x60;
    f[0x58] = 0x0B;
    f[0x59] = magicHigh;
    // A stale checksum, which must not count.
    f[0x98] = 0xEF, f[0x99] = 0xBE, f[0x9A] = 0xAD, f[0x9B] = 0xDE;
    return f;
}

TEST(PeChecksum, FindsTheFieldOnlyInAValidHeader) {
    std::vector<std::uint8_t> f = TinyPe();
    ASSERT_EQ(pack::PeChecksumOffset(f), 0x98u);

    std::vector<std::uint8_t> elf = {0x7F, 'E', 'L', 'F'};
    elf.resize(0x200);
    EXPECT_FALSE(pack::PeChecksumOffset(elf));

    std::vector<std::uint8_t> badSignature = f;
    badSignature[0x41] = 'X';
    EXPECT_FALSE(pack::PeChecksumOffset(badSignature));

    std::vector<std::uint8_t> farLfanew = f;
    farLfanew[0x3C] = 0xFF;
    farLfanew[0x3D] = 0xFF;
    EXPECT_FALSE(pack::PeChecksumOffset(farLfanew));

    std::vector<std::uint8_t> truncated(f.begin(), f.begin() + 0x9A);
    EXPECT_FALSE(pack::PeChecksumOffset(truncated));

    std::vector<std::uint8_t> shortOptionalHeader = f;
    shortOptionalHeader[0x40 + 20] = 0x43;  // ends one byte before the checksum's end
    EXPECT_FALSE(pack::PeChecksumOffset(shortOptionalHeader));
}

// The 64-bit edition is a PE32+ image: its CheckSum sits at the same offset
// of the optional header. Any other optional header (a ROM image, or none
// filled in) has no checksum the packer knows how to place.
TEST(PeChecksum, KnowsTheFieldInPe32PlusAndOnlyThere) {
    EXPECT_EQ(pack::PeChecksumOffset(TinyPe(0x02)), 0x98u);
    EXPECT_FALSE(pack::PeChecksumOffset(TinyPe(0x00)));
    std::vector<std::uint8_t> rom = TinyPe();
    rom[0x58] = 0x07;  // 0x107
    EXPECT_FALSE(pack::PeChecksumOffset(rom));
}

TEST(PeChecksum, HandComputedSums) {
    std::vector<std::uint8_t> f = TinyPe();
    // Words 0x5A4D ("MZ") + 0x0040 + 0x4550 ("PE") + 0x0060 + 0x010B (the
    // magic) = 0xA148, plus the length 0xB8.
    EXPECT_EQ(pack::PeChecksum(f, 0x98), 0xA200u);
    EXPECT_EQ(pack::PeChecksum(TinyPe(0x02), 0x98), 0xA300u);

    // 0xFFFF is zero in a folded sum: a sum without the carry fold would
    // come out as 0x1A1FF.
    f[0x10] = 0xFF;
    f[0x11] = 0xFF;
    EXPECT_EQ(pack::PeChecksum(f, 0x98), 0xA200u);

    // An odd last byte is a word of its own; the length grows by one.
    f.push_back(0x01);
    EXPECT_EQ(pack::PeChecksum(f, 0x98), 0xA149u + 0xB9u);
}

}  // namespace
