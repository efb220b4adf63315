// Packs real built executables (host programs linked with the updater's
// package library and loader store) and runs the packed copies: the values
// they print come from the file, so the compiler cannot have folded the
// template into its reads. The same programs show that the loader record the
// build embeds is found in the file and decides what the packer allows.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <sstream>

#include "commands.h"
#include "loader_locator.h"
#include "pack_result.h"
#include "pack_test_files.h"
#include "sha256.h"

namespace {

std::string RunProgram(const std::filesystem::path& program) {
    std::string output;
    std::FILE* pipe = popen(program.c_str(), "r");
    if (!pipe) return output;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
    pclose(pipe);
    return output;
}

// The digest print_package prints of the loader store it reads.
unsigned Sum(std::span<const std::uint8_t> bytes) {
    unsigned sum = 0;
    for (std::uint8_t b : bytes) sum = sum * 31 + b;
    return sum;
}

class PackedExecutable : public testing::Test {
protected:
    void SetUp() override {
        std::filesystem::copy_file(NORVEK_DEMO_MANIFEST, dir / "demo.toml");
        const std::string make = std::string(NORVEK_MAKE_DEMO_IMAGE) + " " + (dir / "demo-image.bin").string();
        ASSERT_EQ(std::system(make.c_str()), 0);
    }
    int Pack(const char* templ, const std::string& out, bool testLoaders) {
        std::ostringstream o, e;
        const int code = pack::RunBuild({templ, dir / "demo.toml", dir / out, false, testLoaders}, o, e);
        output = o.str();
        errors = e.str();
        return code;
    }
    packtest::ScratchDir dir;
    std::string output;
    std::string errors;
};

TEST_F(PackedExecutable, TheUnpackedProgramReadsItsTemplate) {
    const std::string out = RunProgram(NORVEK_PRINT_PACKAGE);
    EXPECT_NE(out.find("title=APP_TITLE_HERE\n"), std::string::npos) << out;
    EXPECT_NE(out.find("settings=0 0 1 1 0 0 1 0 0 0\n"), std::string::npos) << out;
    EXPECT_NE(out.find("empty=1\n"), std::string::npos);
    EXPECT_NE(out.find("slot1.1=#FLS|#|#|#|1\n"), std::string::npos) << out;
}

TEST_F(PackedExecutable, TheDemoManifestShowsThroughAtRunTime) {
    ASSERT_EQ(Pack(NORVEK_PRINT_PACKAGE, "demo-packed", true), 0) << errors;

    const std::string printed = RunProgram(dir / "demo-packed");
    EXPECT_NE(printed.find("title=Flash Program for VELMORA DVDRW KTV-360R\n"), std::string::npos) << printed;
    EXPECT_NE(printed.find("version=v2.0.4\n"), std::string::npos);
    EXPECT_NE(printed.find("drive=VELMORA DVDRW KTV-360R\n"), std::string::npos);
    // n2omessage chkdisc bootcode reboot automode closeap warning admin nbwarning how_many_bin
    EXPECT_NE(printed.find("settings=0 0 1 0 0 0 1 0 0 1\n"), std::string::npos) << printed;
    EXPECT_NE(printed.find("empty=0\n"), std::string::npos);
    EXPECT_NE(printed.find("bank1=0 1048576 1.05 "), std::string::npos) << printed;
    EXPECT_EQ(printed.find("bank1=0 1048576 1.05 0\n"), std::string::npos);  // the image is there
    EXPECT_NE(printed.find("bank2=0 0 N/A  0\n"), std::string::npos) << printed;
    EXPECT_NE(printed.find("slot1.1=1.00|1.03|VELMORA |DVDRW KTV-360R  |0\n"), std::string::npos) << printed;
    EXPECT_NE(printed.find("slot1.2=0.98|0.98|VELMORA |DVDRW KTV-360R  |0\n"), std::string::npos) << printed;
    EXPECT_NE(printed.find("slot1.3=#FLS|#|#|#|1\n"), std::string::npos) << printed;
    EXPECT_NE(printed.find("slot2.1=#FLS|#|#|#|1\n"), std::string::npos) << printed;
}

TEST_F(PackedExecutable, TheBuildRecordsTheTestSetThatTheProgramUploads) {
    const auto file = packtest::ReadAll(NORVEK_PRINT_PACKAGE);
    const pack::LoaderSet set = pack::LocateLoaderSet(file);
    ASSERT_EQ(set.state, pack::LoaderRecordState::kFound) << set.problem;
    EXPECT_TRUE(set.testSet);
    EXPECT_EQ(pack::DigestHex(set.sha256), pack::Sha256Hex(packtest::ReadAll(NORVEK_TEST_LOADERS_BIN)));
    // The store the record points at is the one the running program reads.
    const std::span<const std::uint8_t> store(file.data() + set.storeOffset, set.storeSize);
    EXPECT_NE(RunProgram(NORVEK_PRINT_PACKAGE).find("loaders=" + std::to_string(Sum(store)) + "\n"),
              std::string::npos);

    EXPECT_EQ(Pack(NORVEK_PRINT_PACKAGE, "refused", false), static_cast<int>(pack::ExitCode::kRefused));
    EXPECT_NE(errors.find("generated test loader set"), std::string::npos) << errors;
    EXPECT_FALSE(std::filesystem::exists(dir / "refused"));
}

TEST_F(PackedExecutable, AMakersSetTemplateIsPackedWithoutTheFlag) {
    ASSERT_EQ(Pack(NORVEK_PRINT_PACKAGE_MAKER, "maker-packed", false), 0) << errors;
    const std::string sha = pack::Sha256Hex(packtest::ReadAll(NORVEK_MAKER_LOADERS_BIN));
    EXPECT_NE(output.find("Loaders:     maker's set, sha256 " + sha + "\n"), std::string::npos) << output;

    const auto packed = packtest::ReadAll(dir / "maker-packed");
    const pack::LoaderSet set = pack::LocateLoaderSet(packed);
    ASSERT_EQ(set.state, pack::LoaderRecordState::kFound) << set.problem;
    EXPECT_FALSE(set.testSet);
    const std::string printed = RunProgram(dir / "maker-packed");
    EXPECT_NE(printed.find("loaders=" + std::to_string(Sum({packed.data() + set.storeOffset, set.storeSize})) + "\n"),
              std::string::npos)
        << printed;
    EXPECT_NE(printed.find("title=Flash Program for VELMORA DVDRW KTV-360R\n"), std::string::npos) << printed;
}

// The command line, as the demo build and the scripts call it.
TEST_F(PackedExecutable, TheCommandRefusesTheTestSetWithoutTestLoaders) {
    const std::string common = std::string(NORVEK_PACK) + " build --template " + NORVEK_PRINT_PACKAGE +
                               " --manifest " + (dir / "demo.toml").string() + " -o ";
    const std::string quiet = " >" + (dir / "log.txt").string() + " 2>&1";
    int status = std::system((common + (dir / "refused").string() + quiet).c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), static_cast<int>(pack::ExitCode::kRefused));
    EXPECT_FALSE(std::filesystem::exists(dir / "refused"));

    status = std::system((common + (dir / "accepted").string() + " --test-loaders" + quiet).c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(std::filesystem::exists(dir / "accepted"));

    status = std::system((std::string(NORVEK_PACK) + " inspect " + (dir / "accepted").string() + " >" +
                          (dir / "inspect.txt").string())
                             .c_str());
    EXPECT_EQ(status, 0);
    std::ifstream in(dir / "inspect.txt");
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    EXPECT_NE(text.find("Loaders:     generated test set, sha256 " +
                        pack::Sha256Hex(packtest::ReadAll(NORVEK_TEST_LOADERS_BIN)) +
                        " (test build, not for real drives)\n"),
              std::string::npos)
        << text;
}

}  // namespace
