// Packs a real built executable (a host program linked with the updater's
// package library) and runs the packed copy: the values it prints come from
// the file, so the compiler cannot have folded the template into its reads.

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "commands.h"
#include "pack_test_files.h"

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

TEST(PackedExecutable, TheUnpackedProgramReadsItsTemplate) {
    const std::string out = RunProgram(NORVEK_PRINT_PACKAGE);
    EXPECT_NE(out.find("title=APP_TITLE_HERE\n"), std::string::npos) << out;
    EXPECT_NE(out.find("settings=0 0 1 1 0 0 1 0 0 0\n"), std::string::npos) << out;
    EXPECT_NE(out.find("empty=1\n"), std::string::npos);
    EXPECT_NE(out.find("slot1.1=#FLS|#|#|#|1\n"), std::string::npos) << out;
}

TEST(PackedExecutable, TheDemoManifestShowsThroughAtRunTime) {
    packtest::ScratchDir dir;
    std::filesystem::copy_file(NORVEK_DEMO_MANIFEST, dir / "demo.toml");
    const std::string make = std::string(NORVEK_MAKE_DEMO_IMAGE) + " " + (dir / "demo-image.bin").string();
    ASSERT_EQ(std::system(make.c_str()), 0);

    std::ostringstream out, err;
    const int code = pack::RunBuild({NORVEK_PRINT_PACKAGE, dir / "demo.toml", dir / "demo-packed"}, out, err);
    ASSERT_EQ(code, 0) << err.str();

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

}  // namespace
