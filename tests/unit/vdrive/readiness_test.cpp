// TEST UNIT READY states, unit attentions, the tray and the media event.
#include <gtest/gtest.h>

#include "vdrive_host.h"

namespace {

using namespace vdrive_test;

TEST(VdriveReadiness, BecomesReadyAfterPollsOrSecondsOrNever) {
    vdrive::DriveConfig polls;
    polls.becomingReadyPolls = 3;
    vdrive::Drive byPolls(polls);
    for (int i = 0; i < 3; ++i) {
        const Reply reply = TestUnitReady(byPolls);
        EXPECT_TRUE(reply.Sense(2, 0x04));
        EXPECT_EQ(reply.Ascq(), 1);
    }
    EXPECT_TRUE(TestUnitReady(byPolls).Good());

    double now = 500.0;
    vdrive::DriveConfig timed;
    timed.becomingReadySeconds = 10.0;
    timed.clock = [&now] { return now; };
    vdrive::Drive bySeconds(timed);
    now = 900.0;  // time before the first poll does not count
    EXPECT_TRUE(TestUnitReady(bySeconds).Sense(2, 0x04));
    now = 909.9;
    EXPECT_TRUE(TestUnitReady(bySeconds).Sense(2, 0x04));
    now = 910.0;
    EXPECT_TRUE(TestUnitReady(bySeconds).Good());

    vdrive::DriveConfig stuck;
    stuck.neverReady = true;
    vdrive::Drive never(stuck);
    for (int i = 0; i < 50; ++i) ASSERT_TRUE(TestUnitReady(never).Sense(2, 0x04));

    vdrive::DriveConfig empty;
    empty.discPresent = false;
    vdrive::Drive noDisc(empty);
    EXPECT_TRUE(TestUnitReady(noDisc).Sense(2, 0x3A));
}

TEST(VdriveReadiness, UnitAttentionIsReportedOnceExceptByInquiry) {
    vdrive::DriveConfig config;
    config.unitAttention = true;
    vdrive::Drive drive(config);
    EXPECT_TRUE(Inquiry(drive).Good()) << "INQUIRY answers through a unit attention";
    EXPECT_TRUE(MediaEvent(drive).Good());
    const Reply attention = Identify(drive);
    EXPECT_TRUE(attention.Sense(6, 0x29));
    EXPECT_EQ(attention.outcome.transferred, 0u);
    EXPECT_TRUE(Identify(drive).Good());
    EXPECT_TRUE(TestUnitReady(drive).Good());

    vdrive::DriveConfig forever;
    forever.unitAttentionForever = true;
    vdrive::Drive stuck(forever);
    for (int i = 0; i < 20; ++i) ASSERT_TRUE(TestUnitReady(stuck).Sense(6, 0x29));
    EXPECT_TRUE(Inquiry(stuck).Good());

    vdrive::DriveConfig afterCommit;
    afterCommit.unitAttentionAfterCommit = true;
    vdrive::Drive reset(afterCommit);
    ASSERT_TRUE(SendLoader(reset, Entry2Upload()).Good());
    ASSERT_TRUE(WritePiece(reset, 0).Good());
    ASSERT_TRUE(NoData(reset, WriteBufferCdb(0, 0, 0x80)).Good());
    EXPECT_TRUE(TestUnitReady(reset).Sense(6, 0x29));
    EXPECT_TRUE(TestUnitReady(reset).Good());
}

TEST(VdriveTray, EjectLoadAndTheMediaEvent) {
    vdrive::DriveConfig keep;
    keep.discTakenWhenEjected = false;
    vdrive::Drive drive(keep);
    Reply event = MediaEvent(drive);
    ASSERT_TRUE(event.Good());
    EXPECT_EQ(event.outcome.transferred, 8u);
    EXPECT_EQ(event.data, (std::vector<std::uint8_t>{0x00, 0x06, 0x04, 0x10, 0x00, 0x02, 0x00, 0x00}));

    ASSERT_TRUE(StartStop(drive, 0x02).Good());
    EXPECT_TRUE(drive.TrayOpen());
    EXPECT_TRUE(TestUnitReady(drive).Sense(2, 0x3A)) << "an open tray has no medium in the drive";
    EXPECT_EQ(MediaEvent(drive).data[5], 0x03);
    ASSERT_TRUE(StartStop(drive, 0x03).Good());
    EXPECT_FALSE(drive.TrayOpen());
    EXPECT_EQ(MediaEvent(drive).data[5], 0x02);
    EXPECT_TRUE(TestUnitReady(drive).Good()) << "the disc was left on the tray";
    EXPECT_TRUE(StartStop(drive, 0x00).Good());

    vdrive::Drive taken;  // by default the user lifts the disc off the open tray
    ASSERT_TRUE(StartStop(taken, 0x02).Good());
    ASSERT_TRUE(StartStop(taken, 0x03).Good());
    EXPECT_TRUE(TestUnitReady(taken).Sense(2, 0x3A));
    EXPECT_EQ(MediaEvent(taken).data[5], 0x00);

    vdrive::DriveConfig locked;
    locked.ejectLocked = true;
    vdrive::Drive stuck(locked);
    const Reply refused = StartStop(stuck, 0x02);
    EXPECT_TRUE(refused.Sense(5, 0x53));
    EXPECT_EQ(refused.Ascq(), 2);
    EXPECT_TRUE(stuck.DiscPresent());
    EXPECT_FALSE(stuck.TrayOpen());
    stuck.SetDiscPresent(false);  // removed by hand
    EXPECT_TRUE(StartStop(stuck, 0x02).Good()) << "an empty drive opens even when locked";

    vdrive::DriveConfig noEvents;
    noEvents.eventStatusSupported = false;
    vdrive::Drive old(noEvents);
    EXPECT_TRUE(MediaEvent(old).Sense(5, 0x20));
}

}  // namespace
