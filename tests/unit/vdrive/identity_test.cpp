// INQUIRY identity and the vendor identify reply.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "vdrive_host.h"

namespace {

using namespace vdrive_test;

std::string Text(const Reply& reply, std::size_t from, std::size_t length) {
    return std::string(reply.data.begin() + static_cast<std::ptrdiff_t>(from),
                       reply.data.begin() + static_cast<std::ptrdiff_t>(from + length));
}

TEST(VdriveIdentity, InquiryLaysOutTheStandardFields) {
    vdrive::DriveConfig config;
    config.product = "DVDRW";  // padded with spaces to 16
    config.vendorSpecific = "ABCDEFGHIJKLMNOPQRST";  // cut to 16
    vdrive::Drive drive(config);
    const Reply reply = Inquiry(drive);
    ASSERT_TRUE(reply.Good());
    EXPECT_EQ(reply.outcome.transferred, 96u);
    EXPECT_EQ(reply.data[0], 0x05);
    EXPECT_EQ(Text(reply, 8, 8), "VELMORA ");
    EXPECT_EQ(Text(reply, 16, 16), "DVDRW           ");
    EXPECT_EQ(Text(reply, 32, 4), "1.00");
    EXPECT_EQ(Text(reply, 36, 16), "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(reply.data[52], 0x00);

    // The allocation length and the host buffer both bound the reply.
    const Reply shortAlloc = In(drive, Cdb{0x12, 0, 0, 0, 36}, 96);
    EXPECT_EQ(shortAlloc.outcome.transferred, 36u);
    EXPECT_EQ(shortAlloc.data[36], 0xEE);
    EXPECT_TRUE(In(drive, Cdb{0x12, 0x01, 0x80, 0, 96}, 96).Sense(5, 0x24)) << "no vital product data pages";

    vdrive::DriveConfig blank;
    blank.blankIdentity = true;
    vdrive::Drive nameless(blank);
    const Reply empty = Inquiry(nameless);
    ASSERT_TRUE(empty.Good());
    EXPECT_EQ(empty.data[0], 0x05);
    EXPECT_EQ(std::vector<std::uint8_t>(empty.data.begin() + 8, empty.data.begin() + 52),
              std::vector<std::uint8_t>(44, 0));
}

TEST(VdriveIdentity, IdentifyRepliesWithTheChipIdOrZerosOrFails) {
    vdrive::DriveConfig config;
    config.chipId = {0x12, 0x34, 0x56, 0x78};  // any four bytes, in the table or not
    vdrive::Drive drive(config);
    const Reply reply = Identify(drive);
    ASSERT_TRUE(reply.Good());
    EXPECT_EQ(reply.outcome.transferred, 128u);
    std::vector<std::uint8_t> expected(128, 0);
    expected[0] = 0x12, expected[1] = 0x34, expected[2] = 0x56, expected[3] = 0x78;
    EXPECT_EQ(reply.data, expected);
    EXPECT_TRUE(In(drive, Cdb{0xDF, 0x12}, 128).Sense(5, 0x24));

    vdrive::DriveConfig tailed = config;
    tailed.identifyTail = std::vector<std::uint8_t>(200, 0x5A);  // cut to the 124 bytes there are
    vdrive::Drive withTail(tailed);
    std::fill(expected.begin() + 4, expected.end(), 0x5A);
    EXPECT_EQ(Identify(withTail).data, expected);

    vdrive::DriveConfig zero;
    zero.identifyAllZero = true;
    vdrive::Drive silent(zero);
    const Reply zeros = Identify(silent);
    ASSERT_TRUE(zeros.Good());
    EXPECT_EQ(zeros.data, std::vector<std::uint8_t>(128, 0));

    vdrive::DriveConfig failing;
    failing.faults = {{vdrive::CommandKind::Identify, 1, 0}};
    vdrive::Drive refusing(failing);
    for (int i = 0; i < 3; ++i) {
        const Reply refused = Identify(refusing);
        EXPECT_TRUE(refused.Sense(4, 0x44));
        EXPECT_EQ(refused.data[0], 0xEE) << "no data phase on failure";
    }
    EXPECT_TRUE(Inquiry(refusing).Good());
}

TEST(VdriveIdentity, ShortRepliesEndTheDataPhaseEarly) {
    vdrive::DriveConfig config;
    config.shortReplies = {{vdrive::CommandKind::Inquiry, 8}, {vdrive::CommandKind::Identify, 2}};
    vdrive::Drive drive(config);
    const Reply inquiry = Inquiry(drive);
    ASSERT_TRUE(inquiry.Good());
    EXPECT_EQ(inquiry.outcome.transferred, 8u);
    EXPECT_EQ(inquiry.data[0], 0x05);
    EXPECT_EQ(inquiry.data[8], 0xEE) << "the host's buffer past the reply is left alone";

    const Reply identify = Identify(drive);
    ASSERT_TRUE(identify.Good());
    EXPECT_EQ(identify.outcome.transferred, 2u);
    EXPECT_EQ(identify.data[0], 0xBF);
    EXPECT_EQ(identify.data[1], 0xD6);
    EXPECT_EQ(identify.data[2], 0xEE);

    EXPECT_EQ(MediaEvent(drive).outcome.transferred, 8u) << "other commands answer in full";
}

}  // namespace
