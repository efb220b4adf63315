// The builders' command blocks byte for byte, with the direction, length and
// buffer each hands to the transport.
#include <cstring>
#include <functional>
#include <string>

#include "drive_fixture.h"
#include "src/drive/drive_commands.h"

namespace {

class CommandBlockTest : public DriveTest {
protected:
    void SetUp() override {
        DriveTest::SetUp();
        drive = AddCdrom('D', 1, 0);
        manager = std::make_unique<DriveManager>(false);
        SelectOnly(*manager, 'D', false);
    }

    SCSI_PASS_THROUGH_DIRECT LastRequest() const {
        const auto requests = m.PassThroughRequests();
        EXPECT_FALSE(requests.empty());
        return requests.empty() ? SCSI_PASS_THROUGH_DIRECT{} : requests.back();
    }

    static Block SentBlock(const SCSI_PASS_THROUGH_DIRECT& r) {
        Block block{};
        std::memcpy(block.data(), r.Cdb, block.size());
        return block;
    }

};

struct BuilderCase {
    std::string name;
    std::function<void(DriveManager&)> send;
    Block block;
    UCHAR dataIn;
    ULONG length;
};

}  // namespace

TEST_F(CommandBlockTest, EveryBuilderSendsItsBlockDirectionAndLength) {
    const std::vector<BuilderCase> cases = {
        {"commit", [](DriveManager& d) { WriteBuffer(d, 0, 0, 0x80); },
         Cdb({0x3B, 0x05, 0x01, 0, 0, 0, 0, 0, 0, 0x80}), kNoData, 0},
        {"commit with boot code", [](DriveManager& d) { WriteBuffer(d, 0, 0, 0xA0); },
         Cdb({0x3B, 0x05, 0x01, 0, 0, 0, 0, 0, 0, 0xA0}), kNoData, 0},
        {"commit keeps its length in the block only", [](DriveManager& d) { WriteBuffer(d, 0, 0x4000, 0x80); },
         Cdb({0x3B, 0x05, 0x01, 0, 0, 0, 0x00, 0x40, 0x00, 0x80}), kNoData, 0},
        {"image piece", [](DriveManager& d) { WriteBuffer(d, 0x4000, 0x4000, 0x00); },
         Cdb({0x3B, 0x05, 0x01, 0x00, 0x40, 0x00, 0x00, 0x40, 0x00, 0x00}), kDataOut, 16384},
        {"loader", [](DriveManager& d) { WriteBuffer(d, 0, 0x1234, 0x7F); },
         Cdb({0x3B, 0x05, 0x01, 0, 0, 0, 0x00, 0x12, 0x34, 0x7F}), kDataOut, 0x1234},
        {"offset keeps its low 24 bits", [](DriveManager& d) { WriteBuffer(d, 0x12FC000, 0x10, 0); },
         Cdb({0x3B, 0x05, 0x01, 0x2F, 0xC0, 0x00, 0x00, 0x00, 0x10, 0x00}), kDataOut, 0x10},
        {"read back", [](DriveManager& d) { ReadBuffer(d, 0x4000, 0x4000); },
         Cdb({0x3C, 0x01, 0x01, 0x00, 0x40, 0x00, 0x00, 0x40, 0x00}), kDataIn, 16384},
        {"inquiry", [](DriveManager& d) { Inquiry(d, 0, 0, 0, 96, 0); },
         Cdb({0x12, 0x00, 0x00, 0x00, 0x60, 0x00}), kDataIn, 96},
        {"inquiry flags use only their bit", [](DriveManager& d) { Inquiry(d, 0xFF, 0xFE, 0x80, 0xFF, 0x5A); },
         Cdb({0x12, 0x02, 0x80, 0x00, 0xFF, 0x5A}), kDataIn, 255},
        {"event status", [](DriveManager& d) { GetEventStatus(d, 1, 0x10, 8, 0); },
         Cdb({0x4A, 0x01, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x08, 0x00}), kDataIn, 8},
        {"event status allocation above 16 bits", [](DriveManager& d) { GetEventStatus(d, 0xFE, 0x10, 0x10000, 7); },
         Cdb({0x4A, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x00, 0x07}), kDataIn, 65536},
        {"load", [](DriveManager& d) { LoadTray(d); }, Cdb({0x1B, 0, 0, 0, 0x03}), kNoData, 0},
        {"eject", [](DriveManager& d) { EjectTray(d); }, Cdb({0x1B, 0, 0, 0, 0x02}), kNoData, 0},
        {"stop", [](DriveManager& d) { StopUnit(d); }, Cdb({0x1B, 0, 0, 0, 0x00}), kNoData, 0},
        {"start stop fields masked", [](DriveManager& d) { StartStopUnit(d, 0xFF, 0xFF, 0xFE, 0xFF); },
         Cdb({0x1B, 0x01, 0, 0, 0xF1}), kNoData, 0},
        {"test unit ready", [](DriveManager& d) { TestUnitReady(d); }, Cdb({}), kNoData, 0},
        {"identify", [](DriveManager& d) { VendorIdentify(d); }, Cdb({0xDF, 0x11}), kDataIn, 128},
    };
    for (const BuilderCase& c : cases) {
        SCOPED_TRACE(c.name);
        c.send(*manager);
        const SCSI_PASS_THROUGH_DIRECT r = LastRequest();
        EXPECT_EQ(SentBlock(r), c.block);
        EXPECT_EQ(r.CdbLength, 12);
        EXPECT_EQ(r.DataIn, c.dataIn);
        EXPECT_EQ(r.DataTransferLength, c.length);
        const void* buffer = c.dataIn == kDataIn ? manager->readBuffer : manager->writeBuffer;
        EXPECT_EQ(r.DataBuffer, c.length == 0 ? nullptr : buffer);
        EXPECT_EQ(Block(drive->CommandBlocks().back()), c.block) << "the drive received the same block";
    }
}

TEST_F(CommandBlockTest, LengthBeyondABufferIsRefusedBeforeAnythingIsSent) {
    const std::size_t sent = m.PassThroughRequests().size();
    EXPECT_EQ(GetEventStatus(*manager, 1, 0x10, 70000, 0), 0);
    EXPECT_EQ(ReadBuffer(*manager, 0, 0x10001), 0);
    EXPECT_EQ(m.PassThroughRequests().size(), sent);
    EXPECT_EQ(manager->lastStatus, kStatusFailed);
}

TEST_F(CommandBlockTest, VendorIdentifyNeedsANonZeroReply) {
    EXPECT_EQ(VendorIdentify(*manager), 1);
    EXPECT_EQ(std::vector<std::uint8_t>(manager->readBuffer, manager->readBuffer + 4),
              (std::vector<std::uint8_t>{0xBF, 0xD6, 0x00, 0x01}));

    vdrive::DriveConfig silent;
    silent.identifyAllZero = true;
    AddCdrom('E', 1, 1, silent);
    DriveManager other(false);
    SelectOnly(other, 'E', false);
    std::memset(other.readBuffer, 0xAA, 128);
    EXPECT_EQ(VendorIdentify(other), 0);
    EXPECT_EQ(other.lastStatus, kStatusGood) << "the command itself succeeded";

    // All 128 bytes count, down to the last.
    vdrive::DriveConfig lastByte;
    lastByte.chipId = {0, 0, 0, 0};
    lastByte.identifyTail = std::vector<std::uint8_t>(124, 0);
    lastByte.identifyTail.back() = 0x01;
    AddCdrom('F', 1, 2, lastByte);
    DriveManager third(false);
    SelectOnly(third, 'F', false);
    EXPECT_EQ(VendorIdentify(third), 1);
}

TEST_F(CommandBlockTest, TrayOpenReadsTheMediaStatusBit) {
    EXPECT_EQ(IsTrayOpen(*manager), 0);
    drive->SetTrayOpen(true);
    EXPECT_EQ(IsTrayOpen(*manager), 1);

    vdrive::DriveConfig noEvents;
    noEvents.eventStatusSupported = false;
    noEvents.trayOpen = true;
    AddCdrom('E', 1, 1, noEvents);
    DriveManager other(false);
    SelectOnly(other, 'E', false);
    other.readBuffer[5] = 0x01;  // left over: a failed command must not read it
    EXPECT_EQ(IsTrayOpen(other), 0);
}
