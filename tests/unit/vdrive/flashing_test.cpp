// Loader upload, image pieces, read-back and commit.
#include <gtest/gtest.h>

#include <vector>

#include "vdrive_host.h"

namespace {

using namespace vdrive_test;

vdrive::DriveConfig WithChip(std::array<std::uint8_t, 4> chip) {
    vdrive::DriveConfig config;
    config.chipId = chip;
    return config;
}

TEST(VdriveFlashing, LoaderImageAndCommitLandInFlash) {
    vdrive::DriveConfig config;
    config.newRevision = "2.07";
    vdrive::Drive drive(config);

    ASSERT_TRUE(SendLoader(drive, Entry2Upload()).Good());
    EXPECT_TRUE(drive.LoaderAccepted());
    for (int k = 0; k < 4; ++k) {
        ASSERT_TRUE(WritePiece(drive, k).Good());
        const Reply back = ReadPiece(drive, k);
        ASSERT_TRUE(back.Good());
        EXPECT_EQ(back.outcome.transferred, 0x4000u);
        EXPECT_EQ(back.data, Piece(k)) << "piece " << k;
    }
    EXPECT_EQ(drive.Revision(), "1.00");
    EXPECT_EQ(drive.CommitCount(), 0);

    ASSERT_TRUE(NoData(drive, WriteBufferCdb(0, 0, 0xA0)).Good());
    EXPECT_EQ(drive.CommitCount(), 1);
    EXPECT_TRUE(drive.BootCodeRequested());
    EXPECT_EQ(drive.Revision(), "2.07");
    const Reply identity = Inquiry(drive);
    EXPECT_EQ(std::string(identity.data.begin() + 32, identity.data.begin() + 36), "2.07");

    const std::vector<std::uint8_t> flash = drive.FlashContents();
    for (int k = 0; k < 4; ++k) {
        const std::vector<std::uint8_t> piece = Piece(k);
        EXPECT_TRUE(std::equal(piece.begin(), piece.end(), flash.begin() + k * 0x4000)) << "piece " << k;
    }
    EXPECT_EQ(flash[4 * 0x4000], 0xFF) << "flash past the image keeps its contents";

    ASSERT_TRUE(NoData(drive, WriteBufferCdb(0, 0, 0x80)).Good());
    EXPECT_FALSE(drive.BootCodeRequested());
    EXPECT_EQ(drive.CommitCount(), 2);

    // The log keeps the bytes of every WRITE BUFFER, loader included.
    const std::vector<vdrive::CommandRecord> log = drive.Commands();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front().dataOut, Entry2Upload());
    EXPECT_EQ(log.front().direction, vdrive::Direction::Out);
}

TEST(VdriveFlashing, AcceptsOnlyTheExactUploadForItsChip) {
    // Entry 0: 4-byte header, control 00 at 80000h.
    vdrive::Drive entry0(WithChip({0xDA, 0xC8, 0x00, 0x00}));
    const std::vector<std::uint8_t> upload0 = Upload({0xDA, 0xC8, 0x00, 0x00}, 0, 314, 318);
    EXPECT_TRUE(SendLoader(entry0, upload0, 0, 0x7F).Sense(5, 0x26));  // the 6-byte-header form is not it
    EXPECT_TRUE(SendLoader(entry0, upload0, 0x80000, 0x00).Good());
    EXPECT_TRUE(entry0.LoaderAccepted());
    // Once loaded, a write at 80000h is image piece 32.
    EXPECT_TRUE(WritePiece(entry0, 32).Good());
    EXPECT_TRUE(entry0.LoaderAccepted());

    // Entry 22 shares group 19 (store offset 16156): 1234 bytes behind a 6-byte header.
    vdrive::Drive entry22(WithChip({0x01, 0x37, 0x00, 0x05}));
    EXPECT_TRUE(SendLoader(entry22, Upload({0x01, 0x37, 0x00, 0x05, 0x04, 0xD2}, 16156, 1234, 1240)).Good());

    // Entry 4, like 2 and 3, sends its header over the loader's last six bytes.
    vdrive::Drive entry4(WithChip({0x37, 0x8C, 0x00, 0x01}));
    EXPECT_TRUE(SendLoader(entry4, Upload({0x37, 0x8C, 0x00, 0x01, 0x05, 0x00}, 2046, 1274, 1280)).Good());

    vdrive::Drive drive;
    std::vector<std::uint8_t> flipped = Entry2Upload();
    flipped[700] ^= 0x01;
    const Reply wrong = SendLoader(drive, flipped);
    EXPECT_TRUE(wrong.Sense(5, 0x26));
    EXPECT_EQ(wrong.Ascq(), 0);
    EXPECT_FALSE(drive.LoaderAccepted());
    // Counting the header on top of the 1280 bytes is the wrong length for entry 2.
    EXPECT_TRUE(SendLoader(drive, Upload({0xBF, 0xD6, 0x00, 0x01, 0x05, 0x00}, 766, 1280, 1286)).Sense(5, 0x26));
    EXPECT_TRUE(SendLoader(drive, Entry2Upload(), 0x80000, 0x00).Sense(5, 0x2C));  // an image write, no loader
    EXPECT_TRUE(SendLoader(drive, Entry2Upload()).Good());
    EXPECT_TRUE(SendLoader(drive, flipped).Sense(5, 0x26));
    EXPECT_FALSE(drive.LoaderAccepted()) << "a bad upload overwrites the loader held";

    // A chip the table lacks takes no loader at all.
    vdrive::Drive unknown(WithChip({0xBF, 0xD6, 0x00, 0x00}));
    EXPECT_TRUE(SendLoader(unknown, Entry2Upload()).Sense(5, 0x26));
    EXPECT_FALSE(unknown.LoaderAccepted());
}

TEST(VdriveFlashing, RefusesPiecesAndCommitWithoutLoaderAndStaysInsideItsBuffer) {
    vdrive::Drive drive;
    EXPECT_TRUE(WritePiece(drive, 0).Sense(5, 0x2C));
    EXPECT_EQ(drive.DownloadBuffer(0, 0x4000), std::vector<std::uint8_t>(0x4000, 0));
    EXPECT_TRUE(NoData(drive, WriteBufferCdb(0, 0, 0x80)).Sense(5, 0x2C));

    ASSERT_TRUE(SendLoader(drive, Entry2Upload()).Good());
    EXPECT_TRUE(NoData(drive, WriteBufferCdb(0, 0, 0x80)).Sense(5, 0x2C)) << "nothing received yet";
    EXPECT_TRUE(WritePiece(drive, 63).Good());  // the last piece of 1 MiB
    EXPECT_TRUE(Out(drive, WriteBufferCdb(0xFC001, 0x4000, 0x00), Piece(0)).Sense(5, 0x24));
    EXPECT_TRUE(In(drive, ReadBufferCdb(0x100000, 1), 1).Sense(5, 0x24));
    EXPECT_TRUE(In(drive, ReadBufferCdb(0xFFFFFF, 0xFFFFFF), 16).Sense(5, 0x24));

    // A host buffer shorter than the READ BUFFER asks gets only what fits.
    std::vector<std::uint8_t> small(0x100 + 8, 0xEE);
    const vdrive::Outcome shortRead =
        drive.Execute(ReadBufferCdb(63 * 0x4000, 0x4000).data(), vdrive::Direction::In, small.data(), 0x100);
    EXPECT_EQ(shortRead.transferred, 0x100u);
    EXPECT_TRUE(std::equal(small.begin(), small.begin() + 0x100, Piece(63).begin()));
    EXPECT_EQ(small[0x100], 0xEE);

    // A data phase shorter than the block's length, and a commit with data, are refused.
    std::vector<std::uint8_t> half(0x2000, 1);
    Reply shortWrite;
    shortWrite.outcome =
        drive.Execute(WriteBufferCdb(0, 0x4000, 0).data(), vdrive::Direction::Out, half.data(), 0x2000);
    EXPECT_TRUE(shortWrite.Sense(0x0B, 0x4B));
    EXPECT_EQ(drive.DownloadBuffer(0, 1), std::vector<std::uint8_t>{0});
    std::vector<std::uint8_t> stray(16, 1);
    Reply commitWithData;
    commitWithData.outcome =
        drive.Execute(WriteBufferCdb(0, 0, 0x80).data(), vdrive::Direction::Out, stray.data(), 16);
    EXPECT_TRUE(commitWithData.Sense(0x0B, 0x4B));
    EXPECT_EQ(drive.CommitCount(), 0);
}

// Writes and reads back pieces 0..`pieces`-1 as one pass of the updater;
// returns the first piece that read back wrong, or -1.
int RunPass(vdrive::Drive& drive, int pieces) {
    for (int k = 0; k < pieces; ++k) {
        if (!WritePiece(drive, k).Good()) return k;
        const Reply back = ReadPiece(drive, k);
        if (!back.Good() || back.data != Piece(k)) return k;
    }
    return -1;
}

TEST(VdriveFlashing, CorruptsTheReadBackOfOnePieceInTheChosenPass) {
    vdrive::DriveConfig config;
    config.readBackFaults = {{5, 1}};
    vdrive::Drive drive(config);
    ASSERT_TRUE(SendLoader(drive, Entry2Upload()).Good());

    EXPECT_EQ(RunPass(drive, 8), 5);
    const Reply spoiled = ReadPiece(drive, 5);
    ASSERT_TRUE(spoiled.Good());
    EXPECT_TRUE(std::equal(spoiled.data.begin(), spoiled.data.end() - 1, Piece(5).begin()));
    EXPECT_NE(spoiled.data.back(), Piece(5).back()) << "only a whole-piece comparison sees it";
    EXPECT_EQ(drive.DownloadBuffer(5 * 0x4000, 0x4000), Piece(5)) << "the buffer itself is right";
    EXPECT_EQ(RunPass(drive, 8), -1);

    vdrive::DriveConfig always;
    always.readBackFaults = {{2, 0}};
    vdrive::Drive never(always);
    ASSERT_TRUE(SendLoader(never, Entry2Upload()).Good());
    for (int pass = 1; pass <= 3; ++pass) EXPECT_EQ(RunPass(never, 4), 2) << "pass " << pass;
}

}  // namespace
