// Execute over pass-through: the request block, the outcome rules, retries,
// time-outs and refusals.
#include <cstring>

#include "drive_fixture.h"
#include "src/drive/drive_commands.h"

namespace {

using vdrive::CommandKind;
using vdrive::FaultEffect;

class PassThroughTest : public DriveTest {
protected:
    // The drive at D: (port 3, target 2), selected on a manager without discovery.
    void Start(vdrive::DriveConfig config = {}) {
        drive = AddCdrom('D', 3, 2, std::move(config));
        manager = std::make_unique<DriveManager>(false);
        ASSERT_EQ(manager->useAspi, 0);
        SelectOnly(*manager, 'D', false);
        manager->SetAddress(manager->deviceHandle, 3, 0, 2, 0);
    }

    static vdrive::DriveConfig Failing(CommandKind kind, FaultEffect effect, int count = 0) {
        return DriveTest::Failing(kind, effect, count, {0x05, 0x24, 0x01});
    }

    std::size_t Sent(CommandKind kind) const {
        std::size_t n = 0;
        for (const auto& block : drive->CommandBlocks()) {
            if (kind == CommandKind::Inquiry && block[0] == 0x12) ++n;
            if (kind == CommandKind::TestUnitReady && block[0] == 0x00) ++n;
        }
        return n;
    }

};

}  // namespace

TEST_F(PassThroughTest, RequestBlockCarriesTheAddressTimeOutAndSenseArea) {
    Start();
    manager->SetTimeout(77);
    ASSERT_EQ(Inquiry(*manager, 0, 0, 0, 96, 0), 1);

    const auto ioctls = m.Ioctls();
    ASSERT_FALSE(ioctls.empty());
    const sim::IoctlRecord& call = ioctls.back();
    EXPECT_EQ(call.code, IOCTL_SCSI_PASS_THROUGH_DIRECT);
    ASSERT_EQ(call.in.size(), sizeof(PassThroughRequest));
    EXPECT_EQ(call.outSize, sizeof(PassThroughRequest));

    PassThroughRequest sent;
    std::memcpy(&sent, call.in.data(), sizeof sent);
    EXPECT_EQ(sent.sptd.Length, sizeof(SCSI_PASS_THROUGH_DIRECT));
    EXPECT_EQ(sent.sptd.ScsiStatus, 0);
    EXPECT_EQ(sent.sptd.PathId, 3);
    EXPECT_EQ(sent.sptd.TargetId, 2);
    EXPECT_EQ(sent.sptd.Lun, 0);
    EXPECT_EQ(sent.sptd.CdbLength, 12);
    EXPECT_EQ(sent.sptd.SenseInfoLength, 24);
    EXPECT_EQ(sent.sptd.DataIn, kDataIn);
    EXPECT_EQ(sent.sptd.DataTransferLength, 96u);
    EXPECT_EQ(sent.sptd.TimeOutValue, 77u);
    EXPECT_EQ(sent.sptd.DataBuffer, manager->readBuffer);
    EXPECT_EQ(sent.sptd.SenseInfoOffset, offsetof(PassThroughRequest, sense));
    EXPECT_EQ(sent.filler, 0u);
    for (std::uint8_t b : sent.sense) EXPECT_EQ(b, 0);
    for (int i = 12; i < 16; ++i) EXPECT_EQ(sent.sptd.Cdb[i], 0);
}

TEST_F(PassThroughTest, GoodCommandFillsTheResultRecord) {
    Start();
    ASSERT_EQ(Inquiry(*manager, 0, 0, 0, 96, 0), 1);
    EXPECT_EQ(manager->lastStatus, kStatusGood);
    EXPECT_EQ(manager->lastTransferLength, 96u);
    EXPECT_EQ(manager->senseKey, 0);
    EXPECT_EQ(manager->lastTooSlow, 0);
    EXPECT_EQ(Block(std::to_array(manager->lastCdb)), Cdb({0x12, 0, 0, 0, 0x60}));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(manager->readBuffer) + 8, 8), "VELMORA ");
}

TEST_F(PassThroughTest, CheckConditionIsReportedAndNeverRetried) {
    Start(Failing(CommandKind::Inquiry, FaultEffect::CheckCondition));
    manager->EnableRetry();
    EXPECT_EQ(Inquiry(*manager, 0, 0, 0, 96, 0), 0);
    EXPECT_EQ(Sent(CommandKind::Inquiry), 1u);
    EXPECT_EQ(manager->lastStatus, kStatusCheckCondition);
    EXPECT_EQ(manager->senseKey, 0x05);
    EXPECT_EQ(manager->asc, 0x24);
    EXPECT_EQ(manager->ascq, 0x01);
    EXPECT_EQ(manager->lastTransferLength, 0u);

    // The next command's block starts with a clean sense area again.
    ASSERT_EQ(TestUnitReady(*manager), 1);
    EXPECT_EQ(manager->senseKey, 0);
    EXPECT_EQ(manager->asc, 0);
}

TEST_F(PassThroughTest, PlainFailureIsRetriedOnceOnlyWithRetryEnabled) {
    Start(Failing(CommandKind::Inquiry, FaultEffect::NotDelivered));
    EXPECT_EQ(Inquiry(*manager, 0, 0, 0, 96, 0), 0);
    EXPECT_EQ(Sent(CommandKind::Inquiry), 1u);
    EXPECT_EQ(manager->lastStatus, kStatusFailed);

    manager->EnableRetry();
    EXPECT_EQ(Inquiry(*manager, 0, 0, 0, 96, 0), 0);
    EXPECT_EQ(Sent(CommandKind::Inquiry), 3u);
    EXPECT_EQ(manager->lastStatus, kStatusFailed);
    EXPECT_EQ(manager->senseKey, 0);
}

TEST_F(PassThroughTest, RetrySendsTheWholeRequestAgainAndCanSucceed) {
    Start(Failing(CommandKind::Inquiry, FaultEffect::NotDelivered, 1));
    manager->EnableRetry();
    ASSERT_EQ(Inquiry(*manager, 0, 0, 0, 96, 0), 1);
    EXPECT_EQ(Sent(CommandKind::Inquiry), 2u);
    const auto requests = m.PassThroughRequests();
    ASSERT_GE(requests.size(), 2u);
    const auto& first = requests[requests.size() - 2];
    const auto& second = requests.back();
    EXPECT_EQ(second.DataTransferLength, 96u) << "not whatever the failed attempt left";
    EXPECT_EQ(second.DataBuffer, manager->readBuffer);
    EXPECT_EQ(std::memcmp(first.Cdb, second.Cdb, 16), 0);
    EXPECT_EQ(manager->lastStatus, kStatusGood);
}

TEST_F(PassThroughTest, BusyWithoutSenseIsAFailureNotSuccess) {
    Start(Failing(CommandKind::Commit, FaultEffect::Busy));
    EXPECT_EQ(WriteBuffer(*manager, 0, 0, 0x80), 0);
    EXPECT_EQ(manager->lastStatus, kStatusFailed);
    EXPECT_EQ(manager->senseKey, 0);
    EXPECT_EQ(drive->CommitCount(), 0);
}

// Without sense data only GOOD and CONDITION MET say the drive did the
// command: a commit refused in any other status is no update.
TEST_F(PassThroughTest, EveryOtherStatusWithoutSenseIsAFailure) {
    for (const std::uint8_t status : vdrive::kRefusalStatuses) {
        Restart();
        Start(RefusingCommits(status));
        EXPECT_EQ(WriteBuffer(*manager, 0, 0, 0x80), 0) << "status " << std::hex << int{status};
        EXPECT_EQ(manager->lastStatus, kStatusFailed) << "status " << std::hex << int{status};
        EXPECT_EQ(manager->senseKey, 0);
        EXPECT_EQ(drive->CommitCount(), 0);
    }
}

TEST_F(PassThroughTest, ConditionMetWithoutSenseIsGood) {
    Start(Failing(CommandKind::TestUnitReady, FaultEffect::ConditionMet));
    manager->EnableRetry();
    EXPECT_EQ(TestUnitReady(*manager), 1);
    EXPECT_EQ(manager->lastStatus, kStatusGood);
    EXPECT_EQ(Sent(CommandKind::TestUnitReady), 1u);
}

// Sense byte 2 carries flag bits above the key (here ILI): the key is its
// low four bits only.
TEST_F(PassThroughTest, SenseKeyIsTheLowNibbleOfSenseByteTwo) {
    Start(DriveTest::Failing(CommandKind::Inquiry, FaultEffect::CheckCondition, 0, {0x25, 0x24, 0x00}));
    EXPECT_EQ(Inquiry(*manager, 0, 0, 0, 96, 0), 0);
    EXPECT_EQ(manager->senseKey, 0x05);
    EXPECT_EQ(SenseIs(*manager, 0x05, 0x24), 1);
}

// Pass-through says how many bytes arrived; ASPI cannot, and reports the
// length asked for.
TEST_F(PassThroughTest, TransferLengthIsWhatThePlatformMoved) {
    vdrive::DriveConfig terse;
    terse.shortReplies = {{CommandKind::Inquiry, 36}};
    Start(terse);
    ASSERT_EQ(Inquiry(*manager, 0, 0, 0, 96, 0), 1);
    EXPECT_EQ(manager->lastTransferLength, 36u);
}

TEST_F(PassThroughTest, BusyIsRetriedLikeAnyPlainFailure) {
    Start(Failing(CommandKind::Inquiry, FaultEffect::Busy, 1));
    manager->EnableRetry();
    EXPECT_EQ(Inquiry(*manager, 0, 0, 0, 96, 0), 1);
    EXPECT_EQ(Sent(CommandKind::Inquiry), 2u);
}

TEST_F(PassThroughTest, TooSlowCommandFailsAndIsNotRetried) {
    m.SetClockMode(sim::ClockMode::Virtual);
    vdrive::DriveConfig slow;
    slow.commandSeconds = 5.0;
    Start(slow);
    manager->SetTimeout(2);
    manager->EnableRetry();
    EXPECT_EQ(TestUnitReady(*manager), 0);
    EXPECT_EQ(manager->lastStatus, kStatusFailed);
    EXPECT_EQ(manager->lastTooSlow, 1);
    EXPECT_GE(manager->lastElapsed, 2.0);
    EXPECT_LT(manager->lastElapsed, 2.1);
    EXPECT_EQ(Sent(CommandKind::TestUnitReady), 1u);
}

// A port driver may complete a late command at the very moment its time-out
// runs out: the call succeeds with GOOD status, yet the command used up the
// whole time-out, so it has failed (and is not retried), never succeeded.
TEST_F(PassThroughTest, SuccessAfterExactlyTheTimeOutFailsAndIsNotRetried) {
    m.SetClockMode(sim::ClockMode::Virtual);
    vdrive::DriveConfig slow;
    slow.commandSeconds = 5.0;
    Start(slow);
    m.ConfigureCdrom('D', [](sim::CdromDevice& d) { d.completesAtTimeOut = true; });
    manager->SetTimeout(2);
    manager->EnableRetry();
    EXPECT_EQ(Inquiry(*manager, 0, 0, 0, 96, 0), 0);
    ASSERT_TRUE(m.Ioctls().back().succeeded) << "the platform reported success";
    EXPECT_EQ(manager->lastStatus, kStatusFailed);
    EXPECT_EQ(manager->lastTooSlow, 1);
    EXPECT_NEAR(manager->lastElapsed, 2.0, 1e-3);
    EXPECT_EQ(manager->lastTransferLength, 0u);
    EXPECT_EQ(Sent(CommandKind::Inquiry), 1u);
}

TEST_F(PassThroughTest, WithoutCounterNothingIsTooSlow) {
    m.SetClockMode(sim::ClockMode::NoCounter);
    vdrive::DriveConfig slow;
    slow.commandSeconds = 5.0;
    Start(slow);
    manager->SetTimeout(2);
    EXPECT_EQ(TestUnitReady(*manager), 0);  // the platform still gives up
    EXPECT_EQ(manager->lastTooSlow, 0);
    EXPECT_EQ(manager->lastElapsed, 0.0);
}

TEST_F(PassThroughTest, NoDriveWithRetryIsRefusedLeavingTheRecord) {
    Start();
    ASSERT_EQ(Inquiry(*manager, 0, 0, 0, 96, 0), 1);
    const double elapsed = manager->lastElapsed;
    manager->CloseDrive();
    manager->EnableRetry();
    const std::size_t sent = m.Ioctls().size();

    EXPECT_EQ(TestUnitReady(*manager), 0);
    EXPECT_EQ(m.Ioctls().size(), sent);
    EXPECT_EQ(manager->lastStatus, kStatusGood);
    EXPECT_EQ(manager->lastTransferLength, 96u);
    EXPECT_EQ(manager->lastElapsed, elapsed);
    EXPECT_EQ(manager->lastCdb[0], 0x12);

    manager->DisableRetry();
    EXPECT_EQ(TestUnitReady(*manager), 0) << "attempted, and the platform refuses the handle";
    EXPECT_EQ(manager->lastStatus, kStatusFailed);
    EXPECT_EQ(manager->lastCdb[0], 0x00);
}

TEST_F(PassThroughTest, ManagerWithoutBuffersIsUnusableAndSendsNothing) {
    AddCdrom('D', 1, 0);
    m.SetHeapAllocFails(true);
    DriveManager broken(false);
    m.SetHeapAllocFails(false);
    EXPECT_FALSE(broken.Usable());
    SelectOnly(broken, 'D', false);
    EXPECT_EQ(TestUnitReady(broken), 0);
    EXPECT_EQ(Inquiry(broken, 0, 0, 0, 96, 0), 0);
    EXPECT_EQ(broken.lastStatus, kStatusFailed);
    EXPECT_TRUE(m.PassThroughRequests().empty());
}

TEST_F(PassThroughTest, BuffersComeZeroedAndAreReleased) {
    {
        DriveManager manager(false);
        ASSERT_TRUE(manager.Usable());
        EXPECT_EQ(m.HeapBlocksOutstanding(), 2u);
        for (std::uint32_t i = 0; i < kBufferSize; ++i) {
            ASSERT_EQ(manager.readBuffer[i], 0);
            ASSERT_EQ(manager.writeBuffer[i], 0);
        }
    }
    EXPECT_EQ(m.HeapBlocksOutstanding(), 0u);
}
