// The SG_IO transport against virtual drives through the ioctl seam: what
// it puts in the request, what it makes of the answers, and how it opens.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <limits>
#include <vector>

#include "tests/linux/support/vdrive_sg_system.h"
#include "src/drive/transport/sg_io/sg_io_transport.h"

namespace {

constexpr char kNode[] = "/dev/sg7";
constexpr std::uint32_t kTimeout = 60;
constexpr std::array<std::uint8_t, 12> kInquiry{0x12, 0, 0, 0, 96, 0, 0, 0, 0, 0, 0, 0};
constexpr std::array<std::uint8_t, 12> kTestUnitReady{};

// Keeps a copy of every request it passes on, before the answer is filled.
class RecordingSystem final : public SgSystem {
public:
    explicit RecordingSystem(SgSystem& inner) : inner_(inner) {}
    int Open(const char* path, int flags) override {
        openFlags.push_back(flags);
        return inner_.Open(path, flags);
    }
    int SgIo(int fd, sg_io_hdr_t& header) override {
        requests.push_back(header);
        return inner_.SgIo(fd, header);
    }
    void Close(int fd) override {
        ++closes;
        inner_.Close(fd);
    }
    std::vector<sg_io_hdr_t> requests;
    std::vector<int> openFlags;
    int closes = 0;

private:
    SgSystem& inner_;
};

class SgTransportTest : public ::testing::Test {
protected:
    std::shared_ptr<vdrive::Drive> UseDrive(vdrive::DriveConfig config = {}) {
        drive = std::make_shared<vdrive::Drive>(std::move(config));
        sim.AddNode(kNode, drive, 0);
        return drive;
    }
    SgIoTransport OpenTransport(OpenMode mode = OpenMode::Exclusive) {
        OpenedDevice opened = OpenSgDevice(recording, kNode, mode);
        EXPECT_EQ(opened.error, 0);
        return SgIoTransport(std::move(opened.file));
    }
    CommandResult Send(SgIoTransport& t, const std::array<std::uint8_t, 12>& cdb, std::uint8_t direction,
                       std::uint8_t* buffer, std::uint32_t length, std::uint32_t timeout = kTimeout) {
        return t.Send(CommandRequest{cdb.data(), direction, buffer, length, timeout});
    }

    sgsim::VdriveSgSystem sim;
    RecordingSystem recording{sim};
    std::shared_ptr<vdrive::Drive> drive;
    std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(65536);
};

TEST_F(SgTransportTest, DataInFillsTheBufferAndTheRequestIsVersionThreeWithItsOwnTimeOut) {
    UseDrive();
    SgIoTransport t = OpenTransport();
    const CommandResult r = Send(t, kInquiry, kDataIn, buffer.data(), 96, 108000);
    EXPECT_EQ(r.outcome, CommandOutcome::Good);
    EXPECT_EQ(r.transferred, 96u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&buffer[8]), 8), "VELMORA ");

    ASSERT_EQ(recording.requests.size(), 1u);
    const sg_io_hdr_t& h = recording.requests[0];
    EXPECT_EQ(h.interface_id, 'S');
    EXPECT_EQ(h.dxfer_direction, SG_DXFER_FROM_DEV);
    EXPECT_EQ(h.cmd_len, 12);
    EXPECT_EQ(h.mx_sb_len, 96);
    EXPECT_EQ(h.dxfer_len, 96u);
    EXPECT_EQ(h.dxferp, buffer.data());
    EXPECT_EQ(h.timeout, 108000000u);
    EXPECT_EQ(std::memcmp(drive->CommandBlocks().at(0).data(), kInquiry.data(), 12), 0);
}

TEST_F(SgTransportTest, NoDataPhaseNamesNoBufferAndDataOutReachesTheDrive) {
    UseDrive();
    SgIoTransport t = OpenTransport();
    EXPECT_TRUE(Send(t, kTestUnitReady, kNoData, buffer.data(), 0).IsGood());
    EXPECT_EQ(recording.requests[0].dxfer_direction, SG_DXFER_NONE);
    EXPECT_EQ(recording.requests[0].dxferp, nullptr);
    EXPECT_EQ(recording.requests[0].dxfer_len, 0u);

    // WRITE BUFFER mode 5, buffer 1, offset 0, 16 KiB: an image piece.
    const std::array<std::uint8_t, 12> write{0x3B, 0x05, 0x01, 0, 0, 0, 0, 0x40, 0, 0, 0, 0};
    for (std::size_t i = 0; i < 16384; ++i) buffer[i] = static_cast<std::uint8_t>(i * 7);
    Send(t, write, kDataOut, buffer.data(), 16384);
    EXPECT_EQ(recording.requests[1].dxfer_direction, SG_DXFER_TO_DEV);
    EXPECT_EQ(recording.requests[1].dxfer_len, 16384u);
    EXPECT_EQ(drive->Commands().at(1).dataOut, std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + 16384));
}

TEST_F(SgTransportTest, TheDrivesCheckConditionComesBackWithItsSense) {
    vdrive::DriveConfig config;
    config.faults.push_back(
        {vdrive::CommandKind::TestUnitReady, 1, 1, vdrive::FaultEffect::CheckCondition, {0x04, 0x44, 0x00}});
    UseDrive(config);
    SgIoTransport t = OpenTransport();
    const CommandResult r = Send(t, kTestUnitReady, kNoData, nullptr, 0);
    EXPECT_EQ(r.outcome, CommandOutcome::CheckCondition);
    EXPECT_EQ(r.sense, 0x044400u);
    EXPECT_EQ(t.LastAnswer().driverStatus, kDriverSense);
    EXPECT_GE(t.LastAnswer().senseLength, 14);
    // The next command starts with a clean sense buffer.
    EXPECT_EQ(Send(t, kTestUnitReady, kNoData, nullptr, 0).sense, 0u);
}

TEST_F(SgTransportTest, NoAnswerBusyAndASlowDriveAreNotGood) {
    vdrive::DriveConfig config;
    config.faults.push_back({vdrive::CommandKind::TestUnitReady, 1, 1, vdrive::FaultEffect::NotDelivered});
    config.faults.push_back({vdrive::CommandKind::TestUnitReady, 2, 1, vdrive::FaultEffect::Busy});
    config.faults.push_back(
        {vdrive::CommandKind::TestUnitReady, 3, 1, vdrive::FaultEffect::CheckCondition, {0x04, 0x44, 0x00}, 5.0});
    UseDrive(config);
    sim.SetRealTime(false);
    SgIoTransport t = OpenTransport();
    EXPECT_EQ(Send(t, kTestUnitReady, kNoData, nullptr, 0).outcome, CommandOutcome::Failed);
    EXPECT_EQ(t.LastAnswer().hostStatus, 0x01);
    EXPECT_EQ(Send(t, kTestUnitReady, kNoData, nullptr, 0).outcome, CommandOutcome::Failed);
    EXPECT_EQ(t.LastAnswer().scsiStatus, 0x08);
    EXPECT_EQ(Send(t, kTestUnitReady, kNoData, nullptr, 0, 2).outcome, CommandOutcome::TimedOut);
    EXPECT_EQ(t.LastAnswer().hostStatus, kHostTimeOut);
}

// What the sg driver reports for a drive that answers a status without
// sense (the status byte alone, no DRIVER_SENSE) is a failed command.
TEST_F(SgTransportTest, EveryOtherStatusWithoutSenseIsAFailure) {
    vdrive::DriveConfig config;
    int nth = 1;
    for (const std::uint8_t status : vdrive::kRefusalStatuses) {
        config.faults.push_back({.kind = vdrive::CommandKind::Commit,
                                 .nth = nth++,
                                 .effect = vdrive::FaultEffect::BareStatus,
                                 .status = status});
    }
    UseDrive(config);
    SgIoTransport t = OpenTransport();
    const std::array<std::uint8_t, 12> commit{0x3B, 0x05, 0x01, 0, 0, 0, 0, 0, 0, 0x80, 0, 0};
    for (const std::uint8_t status : vdrive::kRefusalStatuses) {
        EXPECT_EQ(Send(t, commit, kNoData, nullptr, 0).outcome, CommandOutcome::Failed) << "status " << std::hex << int{status};
        EXPECT_EQ(t.LastAnswer().scsiStatus, status);
        EXPECT_EQ(t.LastAnswer().driverStatus, kDriverOk);
    }
    EXPECT_EQ(drive->CommitCount(), 0);
}

TEST_F(SgTransportTest, AShortReplyReportsTheBytesThatCame) {
    vdrive::DriveConfig config;
    config.shortReplies.push_back({vdrive::CommandKind::Inquiry, 36});
    UseDrive(config);
    SgIoTransport t = OpenTransport();
    const CommandResult r = Send(t, kInquiry, kDataIn, buffer.data(), 96);
    EXPECT_EQ(r.outcome, CommandOutcome::Good);
    EXPECT_EQ(r.transferred, 36u);
    EXPECT_EQ(t.LastAnswer().residual, 60);
}

TEST_F(SgTransportTest, ARequestTheInterfaceCannotCarryNeverReachesTheKernel) {
    UseDrive();
    SgIoTransport t = OpenTransport();
    EXPECT_EQ(t.Send(CommandRequest{nullptr, kNoData, nullptr, 0, kTimeout}).outcome, CommandOutcome::Failed);
    EXPECT_EQ(Send(t, kInquiry, 3, buffer.data(), 96).outcome, CommandOutcome::Failed);
    EXPECT_EQ(Send(t, kInquiry, kDataIn, nullptr, 96).outcome, CommandOutcome::Failed);
    EXPECT_TRUE(recording.requests.empty());
    EXPECT_TRUE(drive->CommandBlocks().empty());
}

TEST_F(SgTransportTest, AFailedIoctlReportsItsErrno) {
    UseDrive();
    SgIoTransport t = OpenTransport();
    // The node disappears under the open file (the drive was unplugged).
    class Unplugged final : public SgSystem {
    public:
        int Open(const char*, int) override { return 3; }
        int SgIo(int, sg_io_hdr_t&) override { return ENODEV; }
        void Close(int) override {}
    } unplugged;
    SgIoTransport gone(SgDeviceFile(unplugged, 3));
    const CommandResult r = Send(gone, kTestUnitReady, kNoData, nullptr, 0);
    EXPECT_EQ(r.outcome, CommandOutcome::Failed);
    EXPECT_EQ(gone.LastAnswer().error, ENODEV);
}

TEST(SgTimeout, SecondsBecomeMillisecondsHeldAtTheLargestValue) {
    EXPECT_EQ(SgTimeoutMs(60), 60000u);
    EXPECT_EQ(SgTimeoutMs(108000), 108000000u);
    EXPECT_EQ(SgTimeoutMs(std::numeric_limits<std::uint32_t>::max()), std::numeric_limits<unsigned int>::max());
}

TEST_F(SgTransportTest, OpeningAsksForReadWriteNonBlockingAndExclusiveWhenFlashing) {
    UseDrive();
    {
        OpenedDevice shared = OpenSgDevice(recording, kNode, OpenMode::Shared);
        ASSERT_EQ(shared.error, 0);
        EXPECT_EQ(recording.openFlags.back() & (O_ACCMODE | O_NONBLOCK | O_EXCL), O_RDWR | O_NONBLOCK);
        // Someone has it open: an exclusive open is refused.
        EXPECT_EQ(OpenSgDevice(recording, kNode, OpenMode::Exclusive).error, EBUSY);
    }
    EXPECT_EQ(recording.closes, 1);
    OpenedDevice exclusive = OpenSgDevice(recording, kNode, OpenMode::Exclusive);
    ASSERT_EQ(exclusive.error, 0);
    EXPECT_NE(recording.openFlags.back() & O_EXCL, 0);
    EXPECT_EQ(OpenSgDevice(recording, kNode, OpenMode::Shared).error, EBUSY);
    EXPECT_EQ(OpenSgDevice(recording, "/dev/sg9", OpenMode::Shared).error, ENOENT);
}

// A block node's exclusive open is a claim: it keeps out other claims (a
// mount, a burning program) but neither readers nor a claim after it ends.
TEST_F(SgTransportTest, ABlockNodesClaimKeepsOutOtherClaimsButNotReaders) {
    constexpr char kBlock[] = "/dev/sr7";
    sim.AddNode(kBlock, UseDrive(), 0);
    OpenedDevice reader = OpenSgDevice(recording, kBlock, OpenMode::Shared);
    ASSERT_EQ(reader.error, 0);
    {
        OpenedDevice claim = OpenSgDevice(recording, kBlock, OpenMode::Exclusive);
        ASSERT_EQ(claim.error, 0) << "a reader does not stop a claim";
        EXPECT_EQ(OpenSgDevice(recording, kBlock, OpenMode::Exclusive).error, EBUSY);
        EXPECT_EQ(OpenSgDevice(recording, kBlock, OpenMode::Shared).error, 0);
    }
    EXPECT_EQ(OpenSgDevice(recording, kBlock, OpenMode::Exclusive).error, 0);
}

}  // namespace
