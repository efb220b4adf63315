// Reading the maker's updater file: the package through the Windows
// program's reader, the loaders through their record, and every refusal.
#include <gtest/gtest.h>

#include <cstring>

#include "linux/file_report.h"
#include "linux/report_json.h"
#include "linux/updater_file.h"
#include "src/package/package_layout.h"
#include "src/package/pe_checksum.h"
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
    EXPECT_EQ(pkg::BanksInUse(file.Package().HowManyBin()), 1);
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

    // Before the area: the bytes in front of it would be taken as the image.
    std::memcpy(&bytes[block + pkg::kBinSizeValue], "0001032192", 10);
    std::memcpy(&bytes[block + pkg::kBinStartValue], "-000016384", 10);
    const nflash::LoadedFile before = LoadUpdaterFile(Write("before.exe", bytes), true);
    EXPECT_FALSE(before.file);
    EXPECT_EQ(before.code, ExitCode::BadInput);
    EXPECT_NE(before.message.find("bank 1 starts at -16384"), std::string::npos) << before.message;
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
    pkg::WritePeChecksum(bytes);         // and the checksum made to fit, so the record's own check decides
    const nflash::LoadedFile damaged = LoadUpdaterFile(Write("damaged-store.exe", bytes), true);
    EXPECT_EQ(damaged.code, ExitCode::BadInput);
    EXPECT_NE(damaged.message.find("SHA-256"), std::string::npos) << damaged.message;
}

// The issue a user met: one byte flipped inside the image area, and the
// file was flashed. The packer's checksum no longer holds, and the file is
// refused before anything is sent; a file that is not a PE image at all is
// not what the packer writes.
TEST_F(UpdaterFileTest, AFileChangedAfterPackingIsRefused) {
    std::vector<std::uint8_t> bytes = sgsim::ReadBytes(sgsim::DemoUpdater(dir.Path()));
    const pkg::PeChecksumCheck packed = pkg::CheckPeChecksum(bytes);
    ASSERT_TRUE(packed.Matches());
    const std::size_t image = 0x1234 + pkg::kImageAreaOffset;
    bytes[image + 300000] ^= 0x01;
    const nflash::LoadedFile flipped = LoadUpdaterFile(Write("flipped.exe", bytes), true);
    EXPECT_FALSE(flipped.file);
    EXPECT_EQ(flipped.code, ExitCode::BadInput);
    EXPECT_NE(flipped.message.find("flipped.exe is damaged or was changed after it was packed: its PE checksum is " +
                                   pkg::ChecksumHex(packed.stored) + ", but its bytes sum to"),
              std::string::npos)
        << flipped.message;

    std::memset(bytes.data(), 0, 2);  // no "MZ": no PE header
    const nflash::LoadedFile notPe = LoadUpdaterFile(Write("not-pe.exe", bytes), true);
    EXPECT_EQ(notPe.code, ExitCode::BadInput);
    EXPECT_NE(notPe.message.find("it has no PE header"), std::string::npos) << notPe.message;
}

// A signed file: the signer is shown and the digest must match the bytes.
// Changed after signing, even with the checksum made to fit again, or with
// bytes added behind the signature, it is refused.
TEST_F(UpdaterFileTest, AnAuthenticodeSignatureMustMatchTheFile) {
    const auto packed = sgsim::DemoUpdater(dir.Path());
    std::string problem;
    if (!sgsim::SignedCopy(packed, dir / "signed.exe", problem)) {
        GTEST_SKIP() << "SKIPPED LOUDLY: cannot sign a test file: " << problem;
    }
    const nflash::LoadedFile signed_ = LoadUpdaterFile(dir / "signed.exe", true);
    ASSERT_TRUE(signed_.file) << signed_.message;
    EXPECT_EQ(signed_.file->signature.state, nflash::SignatureCheck::State::Matches);
    const nflash::FileReport report = nflash::DescribeFile(*signed_.file);
    EXPECT_EQ(report.signer, "CN=Norvek test signer");
    EXPECT_EQ(nflash::IntegrityText(report),
              "PE checksum " + pkg::ChecksumHex(signed_.file->peChecksum) +
                  " matches; signed by CN=Norvek test signer (issued by CN=Norvek test signer), its sha256 digest "
                  "matches the file; the certificate chain is not verified");
    nflash::RunReport run;
    run.file = report;
    const nlohmann::json json = nflash::ReportJson(run)["file"];
    EXPECT_EQ(json["signature"]["signer"], "CN=Norvek test signer");
    EXPECT_EQ(json["signature"]["chainVerified"], false);
    EXPECT_EQ(json["peChecksum"], pkg::ChecksumHex(signed_.file->peChecksum));
    const nflash::LoadedFile unsigned_ = LoadUpdaterFile(packed, true);
    ASSERT_TRUE(unsigned_.file);
    EXPECT_EQ(unsigned_.file->signature.state, nflash::SignatureCheck::State::Unsigned);
    EXPECT_NE(nflash::IntegrityText(nflash::DescribeFile(*unsigned_.file)).find("; not signed"), std::string::npos);

    std::vector<std::uint8_t> changed = sgsim::ReadBytes(dir / "signed.exe");
    changed[0x1234 + pkg::kImageAreaOffset + 4096] ^= 0x80;
    pkg::WritePeChecksum(changed);
    const nflash::LoadedFile altered = LoadUpdaterFile(Write("altered.exe", changed), true);
    EXPECT_EQ(altered.code, ExitCode::BadInput);
    EXPECT_NE(altered.message.find("do not match its Authenticode signature: it was changed after it was signed"),
              std::string::npos)
        << altered.message;

    std::vector<std::uint8_t> longer = sgsim::ReadBytes(dir / "signed.exe");
    longer.insert(longer.end(), 16, 0x41);
    pkg::WritePeChecksum(longer);
    const nflash::LoadedFile appended = LoadUpdaterFile(Write("appended.exe", longer), true);
    EXPECT_EQ(appended.code, ExitCode::BadInput);
    EXPECT_NE(appended.message.find("does not end the file"), std::string::npos) << appended.message;

    std::vector<std::uint8_t> badSignature = sgsim::ReadBytes(dir / "signed.exe");
    badSignature[badSignature.size() - 40] ^= 0x01;  // inside the signer's signature value
    pkg::WritePeChecksum(badSignature);
    const nflash::LoadedFile forged = LoadUpdaterFile(Write("forged.exe", badSignature), true);
    // Garbage where the PKCS#7 should be: refused, never read past the table.
    std::vector<std::uint8_t> garbage = sgsim::ReadBytes(dir / "signed.exe");
    const std::size_t entry = pkg::PeCertificateEntryOffset(garbage).value();
    const std::size_t table = garbage[entry] | garbage[entry + 1] << 8 | garbage[entry + 2] << 16;
    ASSERT_GT(table, 0u);
    for (std::size_t i = table + 8; i < garbage.size(); ++i) garbage[i] = static_cast<std::uint8_t>(i * 37);
    pkg::WritePeChecksum(garbage);
    const nflash::LoadedFile unreadable = LoadUpdaterFile(Write("garbage.exe", garbage), true);
    EXPECT_EQ(unreadable.code, ExitCode::BadInput);
    EXPECT_NE(unreadable.message.find("cannot be read"), std::string::npos) << unreadable.message;
    EXPECT_EQ(forged.code, ExitCode::BadInput);
    EXPECT_NE(forged.message.find("does not verify against its own certificate"), std::string::npos) << forged.message;
}

}  // namespace
