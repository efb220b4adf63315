// Command faults, BUSY, latency, a vanishing drive, and commands it does not know.
#include <gtest/gtest.h>

#include "vdrive_host.h"

namespace {

using namespace vdrive_test;
using vdrive::CommandKind;
using vdrive::FaultEffect;

TEST(VdriveFaults, HitTheNthCommandOfAKindAndLeaveTheStateAlone) {
    vdrive::DriveConfig config;
    config.faults = {
        {CommandKind::ImageWrite, 3, 1, FaultEffect::CheckCondition, {0x03, 0x0C, 0x00}},
        {CommandKind::Inquiry, 1, 2, FaultEffect::NotDelivered},
        {CommandKind::Commit, 1, 1, FaultEffect::Busy},
    };
    vdrive::Drive drive(config);

    EXPECT_FALSE(Inquiry(drive).outcome.delivered);
    EXPECT_FALSE(Inquiry(drive).outcome.delivered);
    EXPECT_TRUE(Inquiry(drive).Good());

    ASSERT_TRUE(SendLoader(drive, Entry2Upload()).Good());
    EXPECT_TRUE(WritePiece(drive, 0).Good());
    EXPECT_TRUE(WritePiece(drive, 1).Good());
    EXPECT_TRUE(WritePiece(drive, 2).Sense(3, 0x0C));
    EXPECT_EQ(drive.DownloadBuffer(2 * 0x4000, 0x4000), std::vector<std::uint8_t>(0x4000, 0));
    EXPECT_TRUE(WritePiece(drive, 2).Good());

    const Reply busy = NoData(drive, WriteBufferCdb(0, 0, 0x80));
    EXPECT_TRUE(busy.outcome.delivered);
    EXPECT_EQ(busy.outcome.scsiStatus, vdrive::kStatusBusy);
    EXPECT_EQ(busy.Key(), 0);
    EXPECT_EQ(drive.CommitCount(), 0);
    EXPECT_EQ(drive.Revision(), "1.00");
    EXPECT_TRUE(NoData(drive, WriteBufferCdb(0, 0, 0x80)).Good());
    EXPECT_EQ(drive.CommitCount(), 1);

    vdrive::DriveConfig every;
    every.faults = {{CommandKind::Any, 2, 0, FaultEffect::NotDelivered}};
    vdrive::Drive dying(every);
    EXPECT_TRUE(TestUnitReady(dying).Good());
    EXPECT_FALSE(Inquiry(dying).outcome.delivered);
    EXPECT_FALSE(TestUnitReady(dying).outcome.delivered);
}

TEST(VdriveFaults, ReportsLatencyFromCommandTimeBandwidthAndKind) {
    vdrive::DriveConfig config;
    config.commandSeconds = 0.01;
    config.bytesPerSecond = 16384.0;
    config.latencies = {{CommandKind::Commit, 20.0}};
    config.faults = {{CommandKind::TestUnitReady, 1, 1, FaultEffect::NotDelivered, {}, 30.0}};
    vdrive::Drive drive(config);

    EXPECT_DOUBLE_EQ(TestUnitReady(drive).outcome.latencySeconds, 30.01);
    EXPECT_DOUBLE_EQ(TestUnitReady(drive).outcome.latencySeconds, 0.01);
    EXPECT_DOUBLE_EQ(SendLoader(drive, Entry2Upload()).outcome.latencySeconds, 0.01 + 1280.0 / 16384.0);
    EXPECT_DOUBLE_EQ(WritePiece(drive, 0).outcome.latencySeconds, 1.01);
    EXPECT_DOUBLE_EQ(NoData(drive, WriteBufferCdb(0, 0, 0xA0)).outcome.latencySeconds, 20.01);
}

TEST(VdriveFaults, VanishesAfterCommitAndRejectsUnknownCommands) {
    vdrive::DriveConfig config;
    config.vanishAfterCommit = true;
    vdrive::Drive drive(config);
    const Reply unknown = NoData(drive, Cdb{0xF3, 0x04, 0x01, 0x01});
    EXPECT_TRUE(unknown.Sense(5, 0x20));
    EXPECT_TRUE(In(drive, Cdb{0x3C, 0x03, 0x01}, 4).Sense(5, 0x24)) << "only READ BUFFER mode 01 buffer 01";

    ASSERT_TRUE(SendLoader(drive, Entry2Upload()).Good());
    ASSERT_TRUE(WritePiece(drive, 0).Good());
    ASSERT_TRUE(NoData(drive, WriteBufferCdb(0, 0, 0x80)).Good());
    EXPECT_FALSE(Inquiry(drive).outcome.delivered);
    EXPECT_FALSE(TestUnitReady(drive).outcome.delivered);
    EXPECT_EQ(drive.CommitCount(), 1);
    EXPECT_EQ(drive.CommandBlocks().size(), 7u) << "unanswered commands are still logged";
}

}  // namespace
