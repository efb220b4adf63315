#include "commands.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "block_locator.h"
#include "loader_locator.h"
#include "pack_result.h"
#include "pack_test_files.h"
#include "src/package/pe_checksum.h"
#include "sha256.h"

namespace {

using packtest::ReadAll;
using packtest::ScratchDir;
using packtest::WriteAll;
using packtest::WriteText;

constexpr const char* kTwoBanks = R"(
title = "Flash Program for VELMORA DVDRW KTV-360R"
drive_name = "VELMORA DVDRW KTV-360R"
[settings]
reboot = 0
n2omessage = 1
admin = 1

[[bank]]
image = "a.bin"
new_revision = "1.05"
[[bank.slot]]
min_revision = "1.00"
max_revision = "1.03"
vendor = "VELMORA "
product = "DVDRW KTV-360R  "
[[bank.slot]]
unfilled = true
[[bank.slot]]
min_revision = "0.98"
max_revision = "0.98"

[[bank]]
image = "b.bin"
new_revision = "2.00"
)";

struct Outcome {
    int code;
    std::string out;
    std::string err;
};

// The synthetic templates carry no loader record, so the build is told it
// packs for tests unless a test says otherwise.
Outcome Build(const ScratchDir& dir, const std::string& templ, const std::string& manifest, const std::string& out,
              bool force = false, bool testLoaders = true) {
    std::ostringstream o, e;
    const int code = pack::RunBuild({dir / templ, dir / manifest, dir / out, force, testLoaders}, o, e);
    return {code, o.str(), e.str()};
}

Outcome Inspect(const ScratchDir& dir, const std::string& file, std::optional<std::string> manifestOut = {}) {
    std::ostringstream o, e;
    pack::InspectOptions options{dir / file, {}};
    if (manifestOut) options.manifestOut = dir / *manifestOut;
    const int code = pack::RunInspect(options, o, e);
    return {code, o.str(), e.str()};
}

class PackCommands : public testing::Test {
protected:
    void SetUp() override {
        WriteAll(dir / "template.exe", packtest::SyntheticTemplate());
        WriteAll(dir / "a.bin", packtest::Image(65536, 1));
        WriteAll(dir / "b.bin", packtest::Image(32768, 2));
        WriteText(dir / "pkg.toml", kTwoBanks);
    }
    pkg::PackageReader ReaderOf(const std::vector<std::uint8_t>& file) {
        const auto at = pack::LocateBlock(file);
        EXPECT_TRUE(at);
        return pkg::PackageReader(file.data() + (at ? at.value() : 0));
    }
    ScratchDir dir;
};

constexpr int kRefused = static_cast<int>(pack::ExitCode::kRefused);
constexpr int kBadInput = static_cast<int>(pack::ExitCode::kBadInput);
constexpr int kNoBlock = static_cast<int>(pack::ExitCode::kNoBlock);

TEST_F(PackCommands, BuildWritesWhatTheUpdaterReads) {
    const Outcome run = Build(dir, "template.exe", "pkg.toml", "out.exe");
    ASSERT_EQ(run.code, 0) << run.err;
    const auto before = ReadAll(dir / "template.exe");
    const auto after = ReadAll(dir / "out.exe");
    ASSERT_EQ(after.size(), before.size());
    // Only the block changed, and in it not the banners, version or date.
    EXPECT_EQ(std::memcmp(after.data(), before.data(), packtest::kBlockAt), 0);
    const std::size_t tail = packtest::kBlockAt + pkg::kBlockSize;
    EXPECT_EQ(std::memcmp(after.data() + tail, before.data() + tail, before.size() - tail), 0);
    EXPECT_EQ(std::memcmp(after.data() + packtest::kBlockAt, before.data() + packtest::kBlockAt, pkg::kTitleOffset), 0);

    const pkg::PackageReader r = ReaderOf(after);
    EXPECT_EQ(r.Title(), "Flash Program for VELMORA DVDRW KTV-360R");
    EXPECT_EQ(r.Version(), "v2.0.4");
    EXPECT_EQ(r.HowManyBin(), 2);
    EXPECT_EQ(r.SettingAt(pkg::kRebootOffset), 0);
    EXPECT_EQ(r.SettingAt(pkg::kN2oMessageOffset), 1);
    EXPECT_EQ(r.SettingAt(pkg::kBootCodeOffset), 1);
    EXPECT_TRUE(r.AdminRequested());
    EXPECT_EQ(r.BinStart(0), 0);
    EXPECT_EQ(r.BinSize(0), 65536);
    EXPECT_EQ(r.BinStart(1), 65536);  // end to end by default
    EXPECT_EQ(r.BinSize(1), 32768);
    EXPECT_EQ(r.NewRevision(1), "2.00");
    EXPECT_EQ(r.NewRevision(2), "N/A ");
    EXPECT_EQ(std::memcmp(r.ImageArea() + 65536, packtest::Image(32768, 2).data(), 32768), 0);
    EXPECT_EQ(r.ImageArea()[65536 + 32768], 0);
    EXPECT_FALSE(r.ImageAreaEmpty());

    EXPECT_EQ(r.Constraint(0, 0).product, "DVDRW KTV-360R  ");
    EXPECT_TRUE(pkg::PackageReader::IsUnfilledSlot(r.Constraint(0, 1)));
    EXPECT_EQ(r.Constraint(0, 2).minRevision, "0.98");
    EXPECT_EQ(r.Constraint(0, 2).vendor, "");  // an empty field, a wildcard
    EXPECT_TRUE(pkg::PackageReader::IsUnfilledSlot(r.Constraint(0, 3)));
    EXPECT_TRUE(pkg::PackageReader::IsUnfilledSlot(r.Constraint(1, 0)));  // admits every drive

    EXPECT_NE(run.out.find("no PE header"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(pack::Sha256Hex(packtest::Image(65536, 1))), std::string::npos) << run.out;
}

TEST_F(PackCommands, RefusalWritesNothingAndNamesTheLimit) {
    const std::pair<std::string, std::string> edits[] = {
        {"reboot = 0", "reboot = 10"},
        {"new_revision = \"2.00\"", "new_revision = \"2.0\""},
        {"vendor = \"VELMORA \"", "vendor = \"VELMORA 12\""},
        {"image = \"b.bin\"", "image = \"b.bin\"\nstart = 1032192"},
    };
    WriteAll(dir / "out.exe", {1, 2, 3});
    for (const auto& [from, to] : edits) {
        std::string text = kTwoBanks;
        text.replace(text.find(from), from.size(), to);
        WriteText(dir / "bad.toml", text);
        const Outcome run = Build(dir, "template.exe", "bad.toml", "out.exe");
        EXPECT_EQ(run.code, kRefused) << to;
        EXPECT_NE(run.err.find("refused"), std::string::npos) << run.err;
        EXPECT_EQ(ReadAll(dir / "out.exe"), (std::vector<std::uint8_t>{1, 2, 3}));
    }
    WriteAll(dir / "b.bin", packtest::Image(20000, 2));
    const Outcome run = Build(dir, "template.exe", "pkg.toml", "fresh.exe");
    EXPECT_EQ(run.code, kRefused);
    EXPECT_NE(run.err.find("bank 2 image: size 20000 is not a positive multiple of 16384"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "fresh.exe"));
}

TEST_F(PackCommands, BadFilesGiveClearErrors) {
    EXPECT_EQ(Build(dir, "missing.exe", "pkg.toml", "out.exe").code, kBadInput);
    EXPECT_EQ(Build(dir, "template.exe", "missing.toml", "out.exe").code, kBadInput);

    WriteText(dir / "broken.toml", "title = \"T\"\ndrive_name = [\n");
    Outcome run = Build(dir, "template.exe", "broken.toml", "out.exe");
    EXPECT_EQ(run.code, kBadInput);
    EXPECT_NE(run.err.find("TOML error"), std::string::npos);

    std::filesystem::remove(dir / "b.bin");
    run = Build(dir, "template.exe", "pkg.toml", "out.exe");
    EXPECT_EQ(run.code, kBadInput);
    EXPECT_NE(run.err.find("b.bin"), std::string::npos) << run.err;

    auto file = packtest::SyntheticTemplate();
    WriteAll(dir / "noblock.exe", std::vector<std::uint8_t>(file.begin(), file.begin() + packtest::kBlockAt));
    file.resize(packtest::kBlockAt + 100000);
    WriteAll(dir / "truncated.exe", file);
    for (const char* name : {"noblock.exe", "truncated.exe"}) {
        EXPECT_EQ(Build(dir, name, "pkg.toml", "out.exe").code, kNoBlock) << name;
        run = Inspect(dir, name);
        EXPECT_EQ(run.code, kNoBlock) << name;
        EXPECT_FALSE(run.err.empty());
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "out.exe"));
}

TEST_F(PackCommands, APackageIsRepackedOnlyWithForce) {
    ASSERT_EQ(Build(dir, "template.exe", "pkg.toml", "first.exe").code, 0);
    const Outcome refused = Build(dir, "first.exe", "pkg.toml", "second.exe");
    EXPECT_EQ(refused.code, kRefused);
    EXPECT_NE(refused.err.find("--force"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir / "second.exe"));

    // Repacking rewrites every field, so the result depends only on the manifest.
    std::string oneBank = kTwoBanks;
    oneBank.resize(oneBank.find("[[bank]]\nimage = \"b.bin\""));
    WriteText(dir / "one.toml", oneBank);
    ASSERT_EQ(Build(dir, "first.exe", "one.toml", "second.exe", true).code, 0);
    ASSERT_EQ(Build(dir, "template.exe", "one.toml", "direct.exe").code, 0);
    EXPECT_EQ(ReadAll(dir / "second.exe"), ReadAll(dir / "direct.exe"));
    EXPECT_EQ(ReaderOf(ReadAll(dir / "second.exe")).NewRevision(1), "N/A ");
}

TEST_F(PackCommands, InspectManifestOutRebuildsTheSameBytes) {
    ASSERT_EQ(Build(dir, "template.exe", "pkg.toml", "first.exe").code, 0);
    const Outcome inspect = Inspect(dir, "first.exe", "audit/back.toml");
    ASSERT_EQ(inspect.code, 0) << inspect.err;
    EXPECT_TRUE(std::filesystem::exists(dir / "audit/back-bank1.bin"));
    EXPECT_EQ(ReadAll(dir / "audit/back-bank2.bin"), packtest::Image(32768, 2));

    ASSERT_EQ(Build(dir, "template.exe", "audit/back.toml", "again.exe").code, 0);
    EXPECT_EQ(ReadAll(dir / "again.exe"), ReadAll(dir / "first.exe"));
}

TEST_F(PackCommands, InspectShowsThePackageAndItsWarnings) {
    Outcome run = Inspect(dir, "template.exe");
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_NE(run.out.find("template"), std::string::npos);
    EXPECT_NE(run.out.find("\"APP_TITLE_HERE\""), std::string::npos);
    EXPECT_NE(run.out.find("slots 1-8: unfilled"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("No F/W in executable !"), std::string::npos);

    // A bank whose image range still holds the template marker.
    auto file = packtest::SyntheticTemplate();
    std::uint8_t* block = file.data() + packtest::kBlockAt;
    block[pkg::kHowManyBinOffset + 13] = '1';
    std::memcpy(block + pkg::kBinSizeValue, "0000016384", 10);
    std::memcpy(block + pkg::kRebootOffset, "REBOOT=10", 9);
    WriteAll(dir / "odd.exe", file);
    run = Inspect(dir, "odd.exe");
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_NE(run.out.find("warning: bank 1 image is still the template marker"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("warning: the image area still begins with the template marker"), std::string::npos);
    EXPECT_NE(run.out.find("REBOOT text \"REBOOT=10\" is not one digit"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("slots 1-8: unfilled (the bank admits every drive)"), std::string::npos);

    // An image that cannot be extracted stops --manifest-out, not inspect.
    std::memcpy(block + pkg::kBinSizeValue, "0000001000", 10);
    WriteAll(dir / "bad.exe", file);
    EXPECT_EQ(Inspect(dir, "bad.exe").code, 0);
    EXPECT_EQ(Inspect(dir, "bad.exe", "m.toml").code, kRefused);
}

// Which loaders a template carries decides whether a package for real drives
// may be built from it.
class PackLoaders : public PackCommands {
protected:
    void WriteTemplate(const std::string& name, std::optional<LoaderSetKind> kind) {
        auto file = packtest::SyntheticTemplate();
        if (kind) packtest::AppendLoaderRecord(file, *kind);
        WriteAll(dir / name, file);
    }
    Outcome BuildFor(const std::string& templ, bool testLoaders) {
        return Build(dir, templ, "pkg.toml", "out.exe", false, testLoaders);
    }
};

TEST_F(PackLoaders, TheTestSetIsPackedOnlyWhenAskedFor) {
    WriteTemplate("test-set.exe", kTestLoaderSet);
    Outcome run = BuildFor("test-set.exe", false);
    EXPECT_EQ(run.code, kRefused);
    EXPECT_NE(run.err.find("carries the generated test loader set"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("NORVEK_LOADER_FILE"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("--test-loaders"), std::string::npos) << run.err;
    EXPECT_TRUE(run.out.empty()) << run.out;
    EXPECT_FALSE(std::filesystem::exists(dir / "out.exe"));

    run = BuildFor("test-set.exe", true);
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_NE(run.out.find("Loaders:     generated test set, sha256 "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("(test build, not for real drives)"), std::string::npos) << run.out;
    // The packed file still carries the record, so a repack is refused as well.
    const Outcome again = Build(dir, "out.exe", "pkg.toml", "again.exe", true, false);
    EXPECT_EQ(again.code, kRefused) << again.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "again.exe"));
}

TEST_F(PackLoaders, TheMakersSetNeedsNoFlag) {
    WriteTemplate("maker.exe", kMakersLoaderSet);
    const Outcome run = BuildFor("maker.exe", false);
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_NE(run.out.find("Loaders:     maker's set, sha256 "), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("test build"), std::string::npos) << run.out;
}

TEST_F(PackLoaders, AFileThatCannotSayWhatItCarriesIsATestTemplate) {
    WriteTemplate("unknown.exe", std::nullopt);
    Outcome run = BuildFor("unknown.exe", false);
    EXPECT_EQ(run.code, kRefused);
    EXPECT_NE(run.err.find("no loader record"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "out.exe"));
    EXPECT_EQ(BuildFor("unknown.exe", true).code, 0);
}

TEST_F(PackLoaders, ADamagedRecordIsRefusedEvenForTests) {
    auto file = packtest::SyntheticTemplate();
    const std::size_t record = packtest::AppendLoaderRecord(file, kMakersLoaderSet);
    file[record + sizeof(LoaderRecord) + 100] ^= 0xFF;
    WriteAll(dir / "damaged.exe", file);
    for (bool testLoaders : {false, true}) {
        const Outcome run = BuildFor("damaged.exe", testLoaders);
        EXPECT_EQ(run.code, kNoBlock) << testLoaders;
        EXPECT_NE(run.err.find("SHA-256"), std::string::npos) << run.err;
        EXPECT_FALSE(std::filesystem::exists(dir / "out.exe"));
    }
    const Outcome inspect = Inspect(dir, "damaged.exe");
    EXPECT_EQ(inspect.code, 0) << inspect.err;
    EXPECT_NE(inspect.out.find("Loaders:     unknown (the loader record at file offset"), std::string::npos)
        << inspect.out;
}

TEST_F(PackLoaders, InspectAndItsManifestNameTheSet) {
    WriteTemplate("test-set.exe", kTestLoaderSet);
    ASSERT_EQ(BuildFor("test-set.exe", true).code, 0);
    const Outcome run = Inspect(dir, "out.exe", "audit/back.toml");
    ASSERT_EQ(run.code, 0) << run.err;
    const auto file = ReadAll(dir / "out.exe");
    const std::string sha = pack::DigestHex(pack::LocateLoaderSet(file).sha256);
    EXPECT_NE(run.out.find("Loaders:     generated test set, sha256 " + sha), std::string::npos) << run.out;

    std::ifstream manifest(dir / "audit/back.toml");
    const std::string text{std::istreambuf_iterator<char>(manifest), {}};
    EXPECT_EQ(text.rfind("# Read from out.exe, which carries the generated test set of loaders (sha256 " + sha +
                             ").\n# A test package: not for real drives.\n",
                         0),
              0u)
        << text;
    // The comment changes nothing that is built from the manifest.
    ASSERT_EQ(Build(dir, "test-set.exe", "audit/back.toml", "again.exe").code, 0);
    EXPECT_EQ(ReadAll(dir / "again.exe"), file);
}

TEST_F(PackCommands, PeFilesGetTheirChecksumRecomputed) {
    // A tiny PE header in front of the template bytes: PE32 (the 32-bit
    // edition) and PE32+ (the 64-bit one).
    for (const std::uint8_t magicHigh : {0x01, 0x02}) {
        auto file = packtest::SyntheticTemplate();
        std::memset(file.data(), 0, 0x100);
        file[0] = 'M', file[1] = 'Z', file[0x3C] = 0x80;
        file[0x80] = 'P', file[0x81] = 'E', file[0x80 + 20] = 0xE0;
        file[0x98] = 0x0B, file[0x99] = magicHigh;
        WriteAll(dir / "pe.exe", file);
        const Outcome run = Build(dir, "pe.exe", "pkg.toml", "pe-out.exe");
        ASSERT_EQ(run.code, 0) << run.err;
        const auto out = ReadAll(dir / "pe-out.exe");
        const std::size_t at = 0x80 + 24 + 64;
        const std::uint32_t stored =
            out[at] | out[at + 1] << 8 | out[at + 2] << 16 | std::uint32_t{out[at + 3]} << 24;
        EXPECT_NE(stored, 0u);
        EXPECT_EQ(stored, pkg::PeChecksum(out, at));
        EXPECT_NE(Inspect(dir, "pe-out.exe").out.find("(matches)"), std::string::npos);
    }
}

}  // namespace
