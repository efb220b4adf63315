#include "src/package/pe_checksum.h"

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
    ASSERT_EQ(pkg::PeChecksumOffset(f), 0x98u);

    std::vector<std::uint8_t> elf = {0x7F, 'E', 'L', 'F'};
    elf.resize(0x200);
    EXPECT_FALSE(pkg::PeChecksumOffset(elf));

    std::vector<std::uint8_t> badSignature = f;
    badSignature[0x41] = 'X';
    EXPECT_FALSE(pkg::PeChecksumOffset(badSignature));

    std::vector<std::uint8_t> farLfanew = f;
    farLfanew[0x3C] = 0xFF;
    farLfanew[0x3D] = 0xFF;
    EXPECT_FALSE(pkg::PeChecksumOffset(farLfanew));

    std::vector<std::uint8_t> truncated(f.begin(), f.begin() + 0x9A);
    EXPECT_FALSE(pkg::PeChecksumOffset(truncated));

    std::vector<std::uint8_t> shortOptionalHeader = f;
    shortOptionalHeader[0x40 + 20] = 0x43;  // ends one byte before the checksum's end
    EXPECT_FALSE(pkg::PeChecksumOffset(shortOptionalHeader));
}

// The 64-bit edition is a PE32+ image: its CheckSum sits at the same offset
// of the optional header. Any other optional header (a ROM image, or none
// filled in) has no checksum the packer knows how to place.
TEST(PeChecksum, KnowsTheFieldInPe32PlusAndOnlyThere) {
    EXPECT_EQ(pkg::PeChecksumOffset(TinyPe(0x02)), 0x98u);
    EXPECT_FALSE(pkg::PeChecksumOffset(TinyPe(0x00)));
    std::vector<std::uint8_t> rom = TinyPe();
    rom[0x58] = 0x07;  // 0x107
    EXPECT_FALSE(pkg::PeChecksumOffset(rom));
}

TEST(PeChecksum, HandComputedSums) {
    std::vector<std::uint8_t> f = TinyPe();
    // Words 0x5A4D ("MZ") + 0x0040 + 0x4550 ("PE") + 0x0060 + 0x010B (the
    // magic) = 0xA148, plus the length 0xB8.
    EXPECT_EQ(pkg::PeChecksum(f, 0x98), 0xA200u);
    EXPECT_EQ(pkg::PeChecksum(TinyPe(0x02), 0x98), 0xA300u);

    // 0xFFFF is zero in a folded sum: a sum without the carry fold would
    // come out as 0x1A1FF.
    f[0x10] = 0xFF;
    f[0x11] = 0xFF;
    EXPECT_EQ(pkg::PeChecksum(f, 0x98), 0xA200u);

    // An odd last byte is a word of its own; the length grows by one.
    f.push_back(0x01);
    EXPECT_EQ(pkg::PeChecksum(f, 0x98), 0xA149u + 0xB9u);
}

}  // namespace

namespace {

// What the programs that check a file see: a packed file matches, one
// changed byte anywhere (the image area, or the field itself) does not, and
// a file without a PE header is named as such.
TEST(PeChecksum, CheckTellsAPackedFileFromAChangedOne) {
    std::vector<std::uint8_t> f = TinyPe();
    f.resize(0x4000, 0x5A);
    EXPECT_FALSE(pkg::CheckPeChecksum(f).Matches());  // the stale 0xDEADBEEF
    const auto written = pkg::WritePeChecksum(f);
    ASSERT_TRUE(written);
    const pkg::PeChecksumCheck good = pkg::CheckPeChecksum(f);
    EXPECT_TRUE(good.Matches());
    EXPECT_EQ(good.stored, *written);
    EXPECT_EQ(good.Problem(), "");

    std::vector<std::uint8_t> flipped = f;
    flipped[0x3000] ^= 0x01;
    const pkg::PeChecksumCheck bad = pkg::CheckPeChecksum(flipped);
    EXPECT_FALSE(bad.Matches());
    EXPECT_EQ(bad.Problem(), "its PE checksum is " + pkg::ChecksumHex(good.stored) + ", but its bytes sum to " +
                                 pkg::ChecksumHex(bad.computed));

    std::vector<std::uint8_t> elf = {0x7F, 'E', 'L', 'F'};
    elf.resize(0x200);
    EXPECT_FALSE(pkg::CheckPeChecksum(elf).Matches());
    EXPECT_EQ(pkg::CheckPeChecksum(elf).Problem(), "it has no PE header");
    EXPECT_FALSE(pkg::WritePeChecksum(elf));
}

// The certificate table's entry is data directory 4: 128 bytes into a PE32
// optional header, 144 into a PE32+ one, and only where the header says it
// has at least five directories.
TEST(PeChecksum, FindsTheCertificateEntryInBothKinds) {
    for (const auto [magicHigh, entry] : {std::pair{0x01, 0x58 + 128}, std::pair{0x02, 0x58 + 144}}) {
        std::vector<std::uint8_t> f = TinyPe(static_cast<std::uint8_t>(magicHigh));
        f.resize(0x200, 0);
        f[0x40 + 20] = 0xF0;  // optional header size: room for 16 directories
        const std::size_t count = 0x58 + (magicHigh == 0x01 ? 92 : 108);
        f[count] = 16;
        EXPECT_EQ(pkg::PeCertificateEntryOffset(f), static_cast<std::size_t>(entry)) << magicHigh;
        f[count] = 4;  // no certificate directory
        EXPECT_FALSE(pkg::PeCertificateEntryOffset(f)) << magicHigh;
    }
    EXPECT_FALSE(pkg::PeCertificateEntryOffset(TinyPe()));  // a 0x60-byte optional header has none
}

}  // namespace
