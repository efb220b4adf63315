// The released program (the one the package ships) against the test
// build's variables: it looks at the real sysfs, /dev and /proc only, so a
// leftover NORVEK_*_ROOT (think of sudo -E) cannot show it a machine of
// someone's making. The test build, given the same, sees that machine.
#include "tests/linux/e2e/e2e_fixture.h"

namespace e2e {
namespace {

TEST_F(E2E, TheReleasedProgramIgnoresTheTestBuildsMachineRoots) {
    Machine(kDemoDrives);
    const Finished test = Program("list", {"--json"});
    ASSERT_EQ(test.exitCode, 0) << test.err;
    ASSERT_NE(test.out.find(machine->SgNode(0).string()), std::string::npos) << test.out;

    std::filesystem::remove(RequestLog());
    const Finished release = RunToEnd({NORVEK_FLASH_RELEASE_BIN, "list", updater.string(), "--json"}, Env());
    EXPECT_EQ(release.out.find(machine->Dev().string()), std::string::npos) << release.out;
    EXPECT_EQ(release.out.find(machine->Sys().string()), std::string::npos) << release.out;
    EXPECT_FALSE(AnyExec()) << "a virtual drive of the made-up machine was asked";

    // Not even the names are in the released file.
    const std::string program = ReadText(NORVEK_FLASH_RELEASE_BIN);
    for (const char* variable : {"NORVEK_SYSFS_ROOT", "NORVEK_DEV_ROOT", "NORVEK_PROC_ROOT"}) {
        EXPECT_EQ(program.find(variable), std::string::npos) << variable;
    }
}

}  // namespace
}  // namespace e2e
