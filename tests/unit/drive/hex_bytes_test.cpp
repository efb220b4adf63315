// The one hex formatter every log writes command blocks, sense and chip
// identities with: the logs of the programs and of the simulated drives are
// compared byte for byte, so its text must never drift.
#include <gtest/gtest.h>

#include <cstdint>

#include "src/drive/hex_bytes.h"
#include "src/drive/run_log_lines.h"

namespace {

TEST(HexBytes, TwoLowerCaseDigitsAByteJoinedByTheSeparator) {
    const std::uint8_t bytes[] = {0x00, 0x0f, 0xa0, 0xff, 0x3b};
    EXPECT_EQ(HexBytes(bytes, 5), "000fa0ff3b");
    EXPECT_EQ(HexBytes(bytes, 2, " "), "00 0f");
    EXPECT_EQ(HexBytes(bytes, 3, ", "), "00, 0f, a0");
    EXPECT_EQ(HexBytes(bytes, 0), "");
    EXPECT_EQ(HexBytes(bytes, 1, " "), "00");
}

TEST(HexBytes, ACommandBlockIsAlwaysItsTwelveBytes) {
    // A WRITE BUFFER of the second image piece, followed by bytes that are
    // not part of the block.
    const std::uint8_t cdb[16] = {0x3b, 0x05, 0x01, 0x00, 0x40, 0x00, 0x00, 0x40,
                                  0x00, 0x00, 0x00, 0x00, 0xee, 0xee, 0xee, 0xee};
    EXPECT_EQ(CdbHex(cdb), "3b0501004000004000000000");
}

TEST(HexBytes, AChipIdentityIsItsFourBytesSpaced) {
    const std::uint8_t chip[6] = {0xbf, 0xd6, 0x00, 0x01, 0x77, 0x77};
    EXPECT_EQ(ChipIdText(chip), "bf d6 00 01");
}

}  // namespace
