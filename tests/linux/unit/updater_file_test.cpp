// Reading the maker's updater file: the package through the Windows
// program's reader, the loaders through their record, and every refusal.
#include <gtest/gtest.h>

#include <cstring>

#include "linux/file_report.h"
#include "linux/updater_file.h"
#include "src/package/package_layout.h"
#include "tests/linux/support/updater_files.h"
#include "tools/pack/sha256.h"

namespace {

using nflash::ExitCode;
using nflash::LoadUpdaterFile;

constexpr char kOneBank[] = R"(title = "T"
drive_name = "VELMORA DVDRW KTV-360R"
[[bank]]
image = "img.bin"
new_revision = "1.05"
)";

class UpdaterFileTest : public ::testing::Test {
protected:
    std::filesystem::path Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        sgsim::WriteBytes(dir / name, bytes);
        return dir / name;
    }
    sgsim::ScratchDir dir;
};

TEST_F(UpdaterFileTest, ThePackageAndTheLoadersComeFromTheFile) {
    const auto path = sgsim::DemoUpdater(dir.Path());
    const nflash::LoadedFile loaded = LoadUpdaterFile(path, true);
    ASSERT_TRUE(loaded.file) << loaded.message;
    const nflash::UpdaterFile& file = *loaded.file;
    EXPECT_EQ(file.Package().Title(), "Flash Program for VELMORA DVDRW KTV-360R");
    EXPECT_EQ(nflash::BanksInUse(file.Package()), 1);
    EXPECT_EQ(std::memcmp(file.Image(0), sgsim::DemoImage().data(), pkg::kImageAreaSize), 0);
    EXPECT_TRUE(file.loaders.testSet);
    EXPECT_EQ(std::memcmp(file.LoaderStoreBytes(), sgsim::TestLoaderStore().data(), kLoaderStoreSize), 0);
    const nflash::FileReport report = nflash::DescribeFile(file);
    EXPECT_EQ(report.sha256, pack::Sha256Hex(sgsim::ReadBytes(path)));
    ASSERT_EQ(report.banks.size(), 1u);
    EXPECT_EQ(report.banks[0].sha256, pack::Sha256Hex(sgsim::DemoImage()));
    EXPECT_EQ(report.loaderSet, "generated test set");
}

TEST_F(UpdaterFileTest, TheGeneratedTestLoadersAreRefusedWithoutTheirOption) {
    const nflash::LoadedFile loaded = LoadUpdaterFile(sgsim::DemoUpdater(dir.Path()), false);
    EXPECT_FALSE(loaded.file);
    EXPECT_EQ(loaded.code, ExitCode::Refused);
    EXPECT_NE(loaded.message.find("generated test loader set"), std::string::npos) << loaded.message;
    EXPECT_NE(loaded.message.find("--test-loaders"), std::string::npos);
}

TEST_F(UpdaterFileTest, TheMakersLoadersNeedNoOption) {
    std::vector<std::uint8_t> store = sgsim::TestLoaderStore();
    store[10] ^= 0x55;  // any other bytes are a maker's set
    sgsim::WriteBytes(dir / "img.bin", std::vector<std::uint8_t>(16384, 0x11));
    const auto path =
        sgsim::PackUpdater(dir.Path(), "maker.exe", sgsim::SyntheticTemplate(kMakersLoaderSet, store), kOneBank);
    const nflash::LoadedFile loaded = LoadUpdaterFile(path, false);
    ASSERT_TRUE(loaded.file) << loaded.message;
    EXPECT_FALSE(loaded.file->loaders.testSet);
}

TEST_F(UpdaterFileTest, FilesWithoutAUsablePackageAreBadInput) {
    const auto expectBad = [](const std::filesystem::path& path, const char* words) {
        const nflash::LoadedFile loaded = LoadUpdaterFile(path, true);
        EXPECT_FALSE(loaded.file) << path;
        EXPECT_EQ(loaded.code, ExitCode::BadInput) << path;
        EXPECT_NE(loaded.message.find(words), std::string::npos) << loaded.message;
    };
    expectBad(dir / "missing.exe", "missing.exe");
    const auto nothing = Write("nothing.exe", std::vector<std::uint8_t>(5000, 0x90));
    expectBad(nothing, "nothing.exe is not a Norvek updater file");
    EXPECT_EQ(LoadUpdaterFile(nothing, true).message.find("FW_CONSTRAINTS"), std::string::npos)
        << "the package's key texts mean nothing to a user";
    // An unpacked template: no firmware, as the Windows program says.
    expectBad(Write("template.exe", sgsim::SyntheticTemplate(kTestLoaderSet, sgsim::TestLoaderStore())),
              "No F/W in executable !");

    const std::vector<std::uint8_t> whole = sgsim::ReadBytes(sgsim::DemoUpdater(dir.Path()));
    const std::size_t block = 0x1234;  // where the synthetic template puts it
    std::vector<std::uint8_t> damaged = whole;
    std::memcpy(&damaged[block + pkg::kBinSizeOffset], "BIN_SIZEX", 9);
    expectBad(Write("damaged.exe", damaged), "damaged");
    const std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + block + pkg::kImageAreaOffset + 10);
    expectBad(Write("cut.exe", cut), "truncated");
}

TEST_F(UpdaterFileTest, ABankThatIsNotWholePiecesInsideTheAreaIsADamagedPackage) {
    std::vector<std::uint8_t> bytes = sgsim::ReadBytes(sgsim::DemoUpdater(dir.Path()));
    const std::size_t block = 0x1234;
    std::memcpy(&bytes[block + pkg::kBinSizeValue], "0001048000", 10);
    const nflash::LoadedFile partial = LoadUpdaterFile(Write("partial.exe", bytes), true);
    EXPECT_EQ(partial.code, ExitCode::BadInput);
    EXPECT_NE(partial.message.find("not a positive multiple of 16384"), std::string::npos) << partial.message;

    std::memcpy(&bytes[block + pkg::kBinSizeValue], "0001048576", 10);
    std::memcpy(&bytes[block + pkg::kBinStartValue], "0000016384", 10);
    const nflash::LoadedFile past = LoadUpdaterFile(Write("past.exe", bytes), true);
    EXPECT_EQ(past.code, ExitCode::BadInput);
    EXPECT_NE(past.message.find("past the 1 MiB image area"), std::string::npos) << past.message;
}

TEST_F(UpdaterFileTest, AMissingOrDamagedLoaderRecordIsBadInput) {
    sgsim::WriteBytes(dir / "img.bin", std::vector<std::uint8_t>(16384, 0x11));
    const auto none =
        sgsim::PackUpdater(dir.Path(), "none.exe", sgsim::SyntheticTemplate(kTestLoaderSet, {}), kOneBank);
    const nflash::LoadedFile noRecord = LoadUpdaterFile(none, true);
    EXPECT_EQ(noRecord.code, ExitCode::BadInput);
    EXPECT_NE(noRecord.message.find("no loader record"), std::string::npos) << noRecord.message;

    std::vector<std::uint8_t> bytes = sgsim::ReadBytes(sgsim::DemoUpdater(dir.Path()));
    bytes[bytes.size() - 100] ^= 0x01;  // inside the store: its SHA-256 no longer holds
    const nflash::LoadedFile damaged = LoadUpdaterFile(Write("damaged-store.exe", bytes), true);
    EXPECT_EQ(damaged.code, ExitCode::BadInput);
    EXPECT_NE(damaged.message.find("SHA-256"), std::string::npos) << damaged.message;
}

}  // namespace
