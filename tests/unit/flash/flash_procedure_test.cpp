// The flash procedure against a virtual drive: what reaches the drive, in
// which order, and what the drive's flash holds afterwards.
#include <cstring>

#include "src/flash/embedded_loader_store.h"
#include "flash_rig.h"
#include "src/flash/flash_procedure.h"

namespace {

using namespace flashtest;

constexpr std::int32_t kImageSize = 1048576;
constexpr std::uint32_t kPieces = kImageSize / kPieceSize;

class FlashProcedureTest : public FlashTest {
protected:
    std::vector<std::uint8_t> image = MakeImage(kImageSize, 7);
};

// Offsets of the image pieces written (control 00 at offsets below the
// high loader, all of them here since the default chip is entry 2).
std::vector<std::uint32_t> PieceWriteOffsets(const vdrive::Drive& drive) {
    std::vector<std::uint32_t> offsets;
    for (const auto& c : CommandsWith(drive, kWriteBufferOp, 0x00)) offsets.push_back(Be24(c.cdb, 3));
    return offsets;
}

TEST_F(FlashProcedureTest, OneMegabyteLandsInFlashByteForByte) {
    Rig rig = MakeRig();
    EXPECT_EQ(FlashFirmware(*rig.manager, EmbeddedLoaderStore(), image.data(), kImageSize, 0), 1);
    EXPECT_EQ(rig.drive->CommitCount(), 1);
    EXPECT_EQ(rig.drive->FlashContents(), image);
    EXPECT_EQ(rig.drive->Revision(), "1.05");
    EXPECT_FALSE(rig.drive->BootCodeRequested());
    EXPECT_EQ(rig.manager->timeoutSeconds, 108000u);
    EXPECT_EQ(rig.manager->retryOnFailure, 1);
}

TEST_F(FlashProcedureTest, PreparesThenSendsEachPieceAndReadsItBack) {
    Rig rig = MakeRig();
    ASSERT_EQ(FlashFirmware(*rig.manager, EmbeddedLoaderStore(), image.data(), kImageSize, 0), 1);
    const auto commands = rig.drive->Commands();
    // TEST UNIT READY (twice on a ready drive), STOP, identify, loader.
    ASSERT_GE(commands.size(), 5u + 2 * kPieces + 1);
    EXPECT_EQ(commands[0].cdb[0], 0x00);
    EXPECT_EQ(commands[1].cdb[0], 0x00);
    const std::array<std::uint8_t, 12> stop{0x1B, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(commands[2].cdb, stop);
    EXPECT_EQ(commands[3].cdb[0], 0xDF);
    EXPECT_EQ(commands[4].cdb[9], 0x7F);
    for (std::uint32_t k = 0; k < kPieces; ++k) {
        const auto& write = commands[5 + 2 * k];
        const auto& read = commands[6 + 2 * k];
        const std::array<std::uint8_t, 12> writeCdb{0x3B, 0x05, 0x01, 0, 0, 0, 0x00, 0x40, 0x00, 0x00, 0, 0};
        auto expectedWrite = writeCdb;
        expectedWrite[3] = static_cast<std::uint8_t>((k * kPieceSize) >> 16);
        expectedWrite[4] = static_cast<std::uint8_t>((k * kPieceSize) >> 8);
        EXPECT_EQ(write.cdb, expectedWrite) << "piece " << k;
        EXPECT_EQ(write.direction, vdrive::Direction::Out);
        EXPECT_EQ(write.length, kPieceSize);
        EXPECT_EQ(std::memcmp(write.dataOut.data(), image.data() + k * kPieceSize, kPieceSize), 0);
        auto expectedRead = expectedWrite;
        expectedRead[0] = 0x3C;
        expectedRead[1] = 0x01;
        EXPECT_EQ(read.cdb, expectedRead) << "piece " << k;
        EXPECT_EQ(read.direction, vdrive::Direction::In);
    }
    EXPECT_EQ(PieceWriteOffsets(*rig.drive).back(), 1032192u);
    EXPECT_EQ(commands.size(), 5u + 2 * kPieces + 1);  // and then only the commit
}

TEST_F(FlashProcedureTest, CommitFormFollowsBootCodeAndHasNoDataPhase) {
    for (std::uint8_t bootCode : {0, 1}) {
        SCOPED_TRACE(int(bootCode));
        sim::machine().Reset();
        sim::machine().SetClockMode(sim::ClockMode::Virtual);
        Rig rig = MakeRig();
        ASSERT_EQ(FlashFirmware(*rig.manager, EmbeddedLoaderStore(), image.data(), kImageSize, bootCode), 1);
        const auto last = rig.drive->Commands().back();
        const std::array<std::uint8_t, 12> commit{
            0x3B, 0x05, 0x01, 0, 0, 0, 0, 0, 0, std::uint8_t(bootCode ? 0xA0 : 0x80), 0, 0};
        EXPECT_EQ(last.cdb, commit);
        EXPECT_EQ(last.direction, vdrive::Direction::None);
        EXPECT_EQ(last.length, 0u);
        EXPECT_EQ(rig.drive->BootCodeRequested(), bootCode == 1);
        const auto requests = sim::machine().PassThroughRequests();
        EXPECT_EQ(requests.back().DataTransferLength, 0u);
        EXPECT_EQ(requests.back().DataIn, SCSI_IOCTL_DATA_UNSPECIFIED);
    }
}

TEST_F(FlashProcedureTest, BadReadBackRestartsThePassFromPieceZero) {
    vdrive::DriveConfig config;
    config.readBackFaults.push_back({5, 1});
    Rig rig = MakeRig(config);
    ASSERT_EQ(FlashFirmware(*rig.manager, EmbeddedLoaderStore(), image.data(), kImageSize, 0), 1);
    std::vector<std::uint32_t> expected;
    for (std::uint32_t k = 0; k <= 5; ++k) expected.push_back(k * kPieceSize);
    for (std::uint32_t k = 0; k < kPieces; ++k) expected.push_back(k * kPieceSize);
    EXPECT_EQ(PieceWriteOffsets(*rig.drive), expected);
    EXPECT_EQ(rig.drive->FlashContents(), image);
}

TEST_F(FlashProcedureTest, ThreeBadPassesSendNoCommit) {
    vdrive::DriveConfig config;
    config.readBackFaults.push_back({3, 0});  // piece 3 reads back wrong in every pass
    Rig rig = MakeRig(config);
    EXPECT_EQ(FlashFirmware(*rig.manager, EmbeddedLoaderStore(), image.data(), kImageSize, 1), 0);
    EXPECT_EQ(PieceWriteOffsets(*rig.drive).size(), 3u * 4u);
    EXPECT_EQ(CommandsWith(*rig.drive, kWriteBufferOp, 0xA0).size(), 0u);
    EXPECT_EQ(rig.drive->CommitCount(), 0);
}

// The pass-through reports the bytes the read-back moved; a reply short of
// the piece fails it even though the zeroed read buffer's tail would match
// the image's zero tail byte for byte.
TEST_F(FlashProcedureTest, ShortReadBackFailsThePieceEvenWhenTheMissingTailWouldCompareEqual) {
    constexpr std::uint32_t kMissing = 512;
    for (std::uint32_t k = 0; k < kPieces; ++k) {
        std::memset(image.data() + (k + 1) * kPieceSize - kMissing, 0, kMissing);
    }
    vdrive::DriveConfig config;
    config.shortReplies.push_back({vdrive::CommandKind::ReadBack, kPieceSize - kMissing});
    Rig rig = MakeRig(config);
    EXPECT_EQ(FlashFirmware(*rig.manager, EmbeddedLoaderStore(), image.data(), kImageSize, 0), 0);
    EXPECT_EQ(rig.manager->lastTransferLength, kPieceSize - kMissing);
    EXPECT_EQ(PieceWriteOffsets(*rig.drive), std::vector<std::uint32_t>(3, 0)) << "piece 0 fails in each pass";
    EXPECT_EQ(rig.drive->CommitCount(), 0);
}

TEST_F(FlashProcedureTest, PauseOfOneSecondSitsBetweenLastReadBackAndCommit) {
    // The commit comes straight after the last read-back in the log, and the
    // run takes a second longer than a run that never gets to commit: the
    // pause lies between the two.
    Rig ok = MakeRig();
    const double startOk = sim::NowSeconds();
    ASSERT_EQ(FlashFirmware(*ok.manager, EmbeddedLoaderStore(), image.data(), kImageSize, 0), 1);
    const double withCommit = sim::NowSeconds() - startOk;
    const auto log = ok.drive->Commands();
    EXPECT_EQ(log[log.size() - 2].cdb[0], kReadBufferOp);
    EXPECT_GE(ok.manager->waitTimer.Elapsed(), 1.0);
    EXPECT_LT(ok.manager->waitTimer.Elapsed(), 1.1) << "one second, not a thousand";

    sim::machine().Reset();
    sim::machine().SetClockMode(sim::ClockMode::Virtual);
    vdrive::DriveConfig bad;
    bad.readBackFaults.push_back({kPieces - 1, 0});
    Rig failing = MakeRig(bad);
    const double startBad = sim::NowSeconds();
    ASSERT_EQ(FlashFirmware(*failing.manager, EmbeddedLoaderStore(), image.data(), kImageSize, 0), 0);
    const double withoutCommit = sim::NowSeconds() - startBad;
    EXPECT_LT(withoutCommit, 0.5);
    EXPECT_GE(withCommit, 1.0);
    EXPECT_LT(withCommit, 1.5);
}

TEST_F(FlashProcedureTest, UnknownChipStillGetsTheTransferAndFailsByIt) {
    vdrive::DriveConfig config;
    config.chipId = {0x12, 0x34, 0x00, 0x01};
    Rig rig = MakeRig(config);
    EXPECT_EQ(FlashFirmware(*rig.manager, EmbeddedLoaderStore(), image.data(), kImageSize, 0), 0);
    // No loader: the drive refuses the first piece with sense (never
    // retried), once in each pass.
    EXPECT_EQ(PieceWriteOffsets(*rig.drive), std::vector<std::uint32_t>(3, 0));
    EXPECT_EQ(rig.drive->CommitCount(), 0);
}

TEST_F(FlashProcedureTest, FailedCommitIsFailure) {
    vdrive::DriveConfig config;
    config.faults.push_back({vdrive::CommandKind::Commit, 1, 0});
    Rig rig = MakeRig(config);
    EXPECT_EQ(FlashFirmware(*rig.manager, EmbeddedLoaderStore(), image.data(), kImageSize, 0), 0);
    EXPECT_EQ(CommandsWith(*rig.drive, kWriteBufferOp, 0x80).size(), 1u);  // sense: no retry
    EXPECT_EQ(rig.drive->CommitCount(), 0);
}

TEST_F(FlashProcedureTest, DriveBecomingReadyIsWaitedForSixtySecondsBeforeStop) {
    vdrive::DriveConfig config;
    config.neverReady = true;
    Rig rig = MakeRig(config);
    const double start = sim::NowSeconds();
    FlashFirmware(*rig.manager, EmbeddedLoaderStore(), image.data(), kImageSize, 0);
    EXPECT_GE(sim::NowSeconds() - start, 60.0);
    const auto log = rig.drive->Commands();
    std::size_t polls = 0;
    while (polls < log.size() && log[polls].cdb[0] == 0x00) ++polls;
    EXPECT_EQ(polls, 60u * 10 / 3 + 2) << "every 300 ms for a minute, and the final one";
    ASSERT_LT(polls, log.size());
    EXPECT_EQ(log[polls].cdb[0], 0x1B);
}

// Retrying begins with the image transfer: before it, a command that gets
// no answer is sent once.
TEST_F(FlashProcedureTest, PreparationCommandsAreNotRetried) {
    vdrive::DriveConfig config;
    for (auto kind : {vdrive::CommandKind::TestUnitReady, vdrive::CommandKind::StartStop,
                      vdrive::CommandKind::Identify}) {
        config.faults.push_back({.kind = kind, .count = 0, .effect = vdrive::FaultEffect::NotDelivered});
    }
    Rig rig = MakeRig(config);
    EXPECT_EQ(FlashFirmware(*rig.manager, EmbeddedLoaderStore(), image.data(), kImageSize, 0), 0);
    EXPECT_EQ(CommandsWith(*rig.drive, 0x00).size(), 2u) << "the wait's one and its final one";
    EXPECT_EQ(CommandsWith(*rig.drive, 0x1B).size(), 1u);
    EXPECT_EQ(CommandsWith(*rig.drive, 0xDF).size(), 1u);
}

// Only whole pieces are ever sent; an image that is not a whole, non-empty
// number of them (or no image) would commit a truncated flash.
TEST_F(FlashProcedureTest, ImagesThatAreNotWholePiecesAreRefusedBeforeAnyCommand) {
    struct Case {
        const std::uint8_t* data;
        std::int32_t size;
    };
    const Case cases[] = {
        {image.data(), 0},
        {image.data(), 100},
        {image.data(), 16383},
        {image.data(), 3 * 16384 + 100},
        {image.data(), -16384},
        {image.data(), kImageSize + 16384},
        {nullptr, kImageSize},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        sim::machine().Reset();
        sim::machine().SetClockMode(sim::ClockMode::Virtual);
        Rig rig = MakeRig();
        EXPECT_EQ(FlashFirmware(*rig.manager, EmbeddedLoaderStore(), c.data, c.size, 0), 0);
        EXPECT_EQ(WriteAndVerifyImage(*rig.manager, c.data, c.size), 0);
        EXPECT_TRUE(rig.drive->Commands().empty());
    }
}

TEST_F(FlashProcedureTest, SmallerWholeImageIsFlashedWithoutTouchingTheRest) {
    Rig rig = MakeRig();
    const std::int32_t size = 3 * 16384;
    ASSERT_EQ(FlashFirmware(*rig.manager, EmbeddedLoaderStore(), image.data(), size, 0), 1);
    EXPECT_EQ(PieceWriteOffsets(*rig.drive), (std::vector<std::uint32_t>{0, 16384, 32768}));
    const auto flash = rig.drive->FlashContents();
    ASSERT_GE(flash.size(), std::size_t(size));
    EXPECT_EQ(std::memcmp(flash.data(), image.data(), size), 0);
}

TEST_F(FlashProcedureTest, PauseEndsAfterASecondByStopwatchOrTickCount) {
    for (auto mode : {sim::ClockMode::Virtual, sim::ClockMode::NoCounter}) {
        sim::machine().Reset();
        sim::machine().SetClockMode(mode);
        Stopwatch stopwatch;
        EXPECT_EQ(stopwatch.Unavailable(), mode == sim::ClockMode::NoCounter);
        const double start = sim::NowSeconds();
        PauseWithMessages(stopwatch, 1.0);
        const double waited = sim::NowSeconds() - start;
        EXPECT_GE(waited, 1.0);
        EXPECT_LT(waited, 1.1);
    }
}

}  // namespace
