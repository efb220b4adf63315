// Chip identification and the loader upload, byte for byte, for every entry.
#include <cstring>

#include "flash_rig.h"
#include "src/drive/drive_commands.h"
#include "src/flash/chip_loader.h"
#include "src/flash/embedded_loader_store.h"

namespace {

using namespace flashtest;

// Bytes sent per entry, as the drive's maker documents the uploads.
constexpr std::uint32_t kSentBytes[kChipEntryCount] = {
    318, 456, 1280, 1280, 1280, 1004, 802, 700, 700, 704, 1286, 860, 836, 748,
    952, 804, 716,  948,  808,  992,  760, 1240, 1240, 1240, 1240, 1084, 1128,
};

std::array<std::uint8_t, 4> ChipIdOf(int entry) {
    const FlashChipEntry& e = FlashChipTable[entry];
    return {e.makerId, e.deviceId, e.profile[0], e.profile[1]};
}

vdrive::DriveConfig WithChip(std::array<std::uint8_t, 4> id) {
    vdrive::DriveConfig config;
    config.chipId = id;
    return config;
}

// The header, the loader bytes behind it, and a zero pad up to n.
std::vector<std::uint8_t> ExpectedUpload(int entry, std::uint32_t headerLength, std::uint32_t n) {
    const auto* row = reinterpret_cast<const std::uint8_t*>(&FlashChipTable[entry]);
    std::vector<std::uint8_t> bytes(row, row + headerLength);
    const std::uint8_t* loader = EmbeddedLoaderStore().data() + LoaderOffset(entry);
    const std::uint32_t loaderBytes = std::min<std::uint32_t>(LoaderLength(entry), n - headerLength);
    bytes.insert(bytes.end(), loader, loader + loaderBytes);
    bytes.resize(n, 0);
    return bytes;
}

class ChipLoaderTest : public FlashTest {};

TEST_F(ChipLoaderTest, EveryEntrySendsItsHeaderAndLoaderExactly) {
    for (int entry = 0; entry < kChipEntryCount; ++entry) {
        SCOPED_TRACE(testing::Message() << "entry " << entry);
        sim::machine().Reset();
        sim::machine().SetClockMode(sim::ClockMode::Virtual);
        Rig rig = MakeRig(WithChip(ChipIdOf(entry)));

        EXPECT_EQ(IdentifyChipAndUploadLoader(*rig.manager, EmbeddedLoaderStore()), 1);
        EXPECT_TRUE(rig.drive->LoaderAccepted());

        const auto uploads = CommandsWith(*rig.drive, kWriteBufferOp);
        ASSERT_EQ(uploads.size(), 1u);
        const auto& up = uploads[0];
        const bool high = entry <= 1;
        const std::uint32_t n = kSentBytes[entry];
        EXPECT_EQ(up.cdb[1], 0x05);
        EXPECT_EQ(up.cdb[2], 0x01);
        EXPECT_EQ(Be24(up.cdb, 3), high ? 0x80000u : 0u);
        EXPECT_EQ(Be24(up.cdb, 6), n);
        EXPECT_EQ(up.cdb[9], high ? 0x00 : 0x7F);
        EXPECT_EQ(up.cdb[10], 0);
        EXPECT_EQ(up.cdb[11], 0);
        EXPECT_EQ(up.direction, vdrive::Direction::Out);
        EXPECT_EQ(up.length, n);
        EXPECT_EQ(up.dataOut, ExpectedUpload(entry, high ? 4 : 6, n));
    }
}

TEST_F(ChipLoaderTest, SharedAndDisplacedLoadersFollowTheirGroup) {
    // Entry 3 differs from entry 2 in byte 1 only; the header displaces the
    // last six (zero) bytes of their 1280-byte loader.
    Rig two = MakeRig(WithChip({0xBF, 0xD6, 0x00, 0x01}));
    ASSERT_EQ(IdentifyChipAndUploadLoader(*two.manager, EmbeddedLoaderStore()), 1);
    sim::machine().Reset();
    sim::machine().SetClockMode(sim::ClockMode::Virtual);
    Rig three = MakeRig(WithChip({0xBF, 0xB6, 0x00, 0x01}));
    ASSERT_EQ(IdentifyChipAndUploadLoader(*three.manager, EmbeddedLoaderStore()), 1);
    auto a = CommandsWith(*two.drive, kWriteBufferOp).at(0).dataOut;
    auto b = CommandsWith(*three.drive, kWriteBufferOp).at(0).dataOut;
    const std::vector<std::uint8_t> header{0xBF, 0xD6, 0x00, 0x01, 0x05, 0x00};
    EXPECT_TRUE(std::equal(header.begin(), header.end(), a.begin()));
    EXPECT_EQ(std::memcmp(a.data() + 6, EmbeddedLoaderStore().data() + 766, 1274), 0);
    ASSERT_EQ(a.size(), b.size());
    EXPECT_EQ(b[1], 0xB6);
    b[1] = 0xD6;
    EXPECT_EQ(a, b);
}

TEST_F(ChipLoaderTest, IdentityOutsideTheTableSendsNothing) {
    // A known chip under a profile the table lacks.
    Rig rig = MakeRig(WithChip({0xBF, 0xD6, 0x00, 0x00}));
    EXPECT_EQ(IdentifyChipAndUploadLoader(*rig.manager, EmbeddedLoaderStore()), 0);
    EXPECT_TRUE(CommandsWith(*rig.drive, kWriteBufferOp).empty());
    EXPECT_EQ(CommandsWith(*rig.drive, 0xDF).size(), 1u);
    EXPECT_FALSE(rig.drive->LoaderAccepted());
}

// A two-byte identify reply names no chip: completed by the bytes an
// earlier INQUIRY left (00 02), it would select entry 8 and upload a loader
// written for another chip.
TEST_F(ChipLoaderTest, ShortIdentifyReplyIsNotCompletedFromAnEarlierReply) {
    vdrive::DriveConfig config;
    config.shortReplies = {{vdrive::CommandKind::Identify, 2}};
    Rig rig = MakeRig(config);
    ASSERT_EQ(Inquiry(*rig.manager, 0, 0, 0, 96, 0), 1);
    EXPECT_EQ(IdentifyChipAndUploadLoader(*rig.manager, EmbeddedLoaderStore()), 0);
    EXPECT_TRUE(CommandsWith(*rig.drive, kWriteBufferOp).empty());
}

// Only reply bytes 0 to 3 name the chip: what follows neither changes the
// entry nor makes up for four zero bytes.
TEST_F(ChipLoaderTest, OnlyTheFirstFourReplyBytesNameTheChip) {
    vdrive::DriveConfig tailed;
    tailed.identifyTail = std::vector<std::uint8_t>(124, 0xA5);
    Rig rig = MakeRig(tailed);
    EXPECT_EQ(IdentifyChipAndUploadLoader(*rig.manager, EmbeddedLoaderStore()), 1);
    EXPECT_TRUE(rig.drive->LoaderAccepted()) << "entry 2, as without the tail";

    sim::machine().Reset();
    sim::machine().SetClockMode(sim::ClockMode::Virtual);
    vdrive::DriveConfig headless = tailed;
    headless.chipId = {0, 0, 0, 0};
    Rig none = MakeRig(headless);
    EXPECT_EQ(IdentifyChipAndUploadLoader(*none.manager, EmbeddedLoaderStore()), 0);
    EXPECT_EQ(CommandsWith(*none.drive, 0xDF).size(), 1u) << "the identify check passed";
    EXPECT_TRUE(CommandsWith(*none.drive, kWriteBufferOp).empty());
}

TEST_F(ChipLoaderTest, AllZeroIdentifyReplySendsNothing) {
    vdrive::DriveConfig config;
    config.identifyAllZero = true;
    Rig rig = MakeRig(config);
    EXPECT_EQ(IdentifyChipAndUploadLoader(*rig.manager, EmbeddedLoaderStore()), 0);
    EXPECT_TRUE(CommandsWith(*rig.drive, kWriteBufferOp).empty());
}

TEST_F(ChipLoaderTest, FailedIdentifyOrUploadIsFailure) {
    vdrive::DriveConfig identify;
    identify.faults.push_back({vdrive::CommandKind::Identify});
    Rig a = MakeRig(identify);
    EXPECT_EQ(IdentifyChipAndUploadLoader(*a.manager, EmbeddedLoaderStore()), 0);
    EXPECT_TRUE(CommandsWith(*a.drive, kWriteBufferOp).empty());

    sim::machine().Reset();
    sim::machine().SetClockMode(sim::ClockMode::Virtual);
    vdrive::DriveConfig upload;
    upload.faults.push_back({vdrive::CommandKind::LoaderUpload});
    Rig b = MakeRig(upload);
    EXPECT_EQ(IdentifyChipAndUploadLoader(*b.manager, EmbeddedLoaderStore()), 0);
    EXPECT_EQ(CommandsWith(*b.drive, kWriteBufferOp).size(), 1u);  // sent once: no retry here
}

TEST_F(ChipLoaderTest, StageLoaderCopiesTheEntrysLoaderOrNothing) {
    Rig rig = MakeRig();
    DriveManager& m = *rig.manager;
    std::memset(m.writeBuffer, 0xEE, kBufferSize);
    EXPECT_EQ(StageLoader(m, EmbeddedLoaderStore(), -1), nullptr);
    EXPECT_EQ(m.writeBuffer[0], 0xEE);
    EXPECT_EQ(StageLoader(m, EmbeddedLoaderStore(), 22), m.writeBuffer);
    EXPECT_EQ(std::memcmp(m.writeBuffer, EmbeddedLoaderStore().data() + 16156, 1234), 0);
    EXPECT_EQ(m.writeBuffer[1234], 0xEE);  // nothing past the loader
}

// The procedure uploads from the store it is handed, not from the one the
// program embeds: norvek-flash hands it the updater file's.
TEST_F(ChipLoaderTest, TheLoaderComesFromTheStoreItIsGiven) {
    std::vector<std::uint8_t> other(EmbeddedLoaderStore().begin(), EmbeddedLoaderStore().end());
    const int entry = 5;
    const std::uint32_t at = LoaderOffset(entry);
    for (std::uint32_t i = 0; i < LoaderLength(entry); ++i) other[at + i] ^= 0x5A;
    const LoaderStore given(other.data(), kLoaderStoreSize);

    Rig rig = MakeRig(WithChip(ChipIdOf(entry)));
    IdentifyChipAndUploadLoader(*rig.manager, given);

    const auto uploads = CommandsWith(*rig.drive, kWriteBufferOp);
    ASSERT_EQ(uploads.size(), 1u);
    const std::vector<std::uint8_t>& sent = uploads[0].dataOut;
    ASSERT_GE(sent.size(), 6u + LoaderLength(entry));
    EXPECT_EQ(std::memcmp(sent.data() + 6, other.data() + at, LoaderLength(entry)), 0)
        << "the upload carries the given store's loader";
    EXPECT_FALSE(rig.drive->LoaderAccepted()) << "the drive checks against the loader it expects";
}

}  // namespace
