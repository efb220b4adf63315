// What the host's drivers ask at probe: the capabilities page through both
// MODE SENSEs, the profile list, and the refusal of everything else.
#include <gtest/gtest.h>

#include "vdrive_host.h"

namespace {

using namespace vdrive_test;

TEST(VdriveHostProbe, ModeSenseReportsTheCapabilitiesPageWithEitherHeader) {
    vdrive::Drive drive;
    const Reply six = In(drive, Cdb{0x1A, 0, 0x2A, 0, 0x80}, 128);
    ASSERT_TRUE(six.Good());
    EXPECT_EQ(six.outcome.transferred, 4u + 22u);
    EXPECT_EQ(six.data[0], 25) << "mode data length counts all but itself";
    EXPECT_EQ(six.data[3], 0) << "no block descriptor";
    EXPECT_EQ(six.data[4], 0x2A);
    EXPECT_EQ(six.data[5], 0x14);
    EXPECT_EQ(six.data[10] & 0x01, 0x01) << "the tray can be locked";

    const Reply ten = In(drive, Cdb{0x5A, 0, 0x2A, 0, 0, 0, 0, 0, 0xFF}, 255);
    ASSERT_TRUE(ten.Good());
    EXPECT_EQ(ten.outcome.transferred, 8u + 22u);
    EXPECT_EQ(ten.data[1], 28);
    EXPECT_EQ(ten.data[8], 0x2A);

    // The allocation length bounds the reply as for any data-in command.
    EXPECT_EQ(In(drive, Cdb{0x1A, 0, 0x2A, 0, 8}, 128).outcome.transferred, 8u);
    EXPECT_TRUE(In(drive, Cdb{0x1A, 0, 0x3F, 0, 0xFF}, 255).Sense(5, 0x24)) << "only page 2Ah is there";
}

TEST(VdriveHostProbe, GetConfigurationListsTheProfilesWithNoneCurrent) {
    vdrive::Drive drive;
    const Reply reply = In(drive, Cdb{0x46, 0, 0, 0, 0, 0, 0, 0, 0x40}, 64);
    ASSERT_TRUE(reply.Good());
    ASSERT_EQ(reply.outcome.transferred, 28u);
    EXPECT_EQ(reply.data[3], 24) << "data length: all but its own four bytes";
    EXPECT_EQ(reply.data[6], 0);
    EXPECT_EQ(reply.data[7], 0) << "the disc holds nothing readable: no current profile";
    EXPECT_EQ(reply.data[11], 16) << "four profile descriptors";
    EXPECT_EQ(reply.data[13], 0x11) << "DVD-R first";
}

TEST(VdriveHostProbe, OtherCommandsAreRefusedAsUnknown) {
    vdrive::Drive drive;
    EXPECT_TRUE(In(drive, Cdb{0x25}, 8).Sense(5, 0x20)) << "READ CAPACITY";
    EXPECT_TRUE(In(drive, Cdb{0x43, 0, 0, 0, 0, 0, 0, 0, 12}, 12).Sense(5, 0x20)) << "READ TOC";
}

}  // namespace
