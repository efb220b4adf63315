// What the host's drivers ask at probe: the capabilities page through both
// MODE SENSEs, the profile list, and the refusal of everything else.
#include <gtest/gtest.h>

#include <string>

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

TEST(VdriveHostProbe, AReadableDiscServesItsVolumeAndIsTheCurrentProfile) {
    vdrive::DriveConfig config;
    config.readableDisc = true;
    vdrive::Drive drive(config);
    const Reply capacity = In(drive, Cdb{0x25}, 8);
    ASSERT_TRUE(capacity.Good());
    EXPECT_EQ(capacity.data[3], 19) << "the last of twenty sectors";
    EXPECT_EQ(capacity.data[6], 0x08) << "2048-byte blocks";

    const Reply descriptor = In(drive, Cdb{0x28, 0, 0, 0, 0, 16, 0, 0, 1}, 2048);
    ASSERT_TRUE(descriptor.Good());
    EXPECT_EQ(descriptor.data[0], 1) << "the primary volume descriptor";
    EXPECT_EQ(std::string(descriptor.data.begin() + 1, descriptor.data.begin() + 6), "CD001");
    EXPECT_EQ(descriptor.data[156], 34) << "the root directory record";
    EXPECT_TRUE(In(drive, Cdb{0x28, 0, 0, 0, 0, 19, 0, 0, 2}, 4096).Sense(5, 0x21)) << "past the last sector";
    EXPECT_EQ(In(drive, Cdb{0x46, 0, 0, 0, 0, 0, 0, 0, 8}, 8).data[7], 0x08) << "CD-ROM is the current profile";

    drive.SetTrayOpen(true);
    EXPECT_TRUE(In(drive, Cdb{0x25}, 8).Sense(5, 0x20)) << "nothing to read with the tray out";
}

TEST(VdriveHostProbe, OtherCommandsAreRefusedAsUnknown) {
    vdrive::Drive drive;
    EXPECT_TRUE(In(drive, Cdb{0x25}, 8).Sense(5, 0x20)) << "READ CAPACITY of a disc with nothing readable";
    EXPECT_TRUE(In(drive, Cdb{0x28, 0, 0, 0, 0, 16, 0, 0, 1}, 2048).Sense(5, 0x20)) << "READ (10) of it";
    EXPECT_TRUE(In(drive, Cdb{0x43, 0, 0, 0, 0, 0, 0, 0, 12}, 12).Sense(5, 0x20)) << "READ TOC";
}

}  // namespace
