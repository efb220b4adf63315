// Every refusal of the real program: its exit code, its message, and not a
// single command to any drive (the preload's log has no "exec" line).
#include <sys/stat.h>
#include <unistd.h>

#include "tests/linux/e2e/e2e_fixture.h"

namespace e2e {
namespace {

class Refused : public E2E {
protected:
    void Expect(const Finished& run, int code, const std::string& words) {
        EXPECT_EQ(run.exitCode, code) << run.err;
        EXPECT_NE(run.err.find(words), std::string::npos) << run.err;
        EXPECT_FALSE(AnyExec()) << ReadText(RequestLog());
        EXPECT_NE(
            ReadText(RequestLog()).find("exit drive=0 ha=0 target=0 lun=0 revision=1.02 commits=0 bootcode=0 loader=0"),
            std::string::npos)
            << ReadText(RequestLog());
    }
};

TEST_F(Refused, NotRoot) {
    sgsim::MachineOptions options;
    options.root = false;
    Machine(kDemoDrives, options);
    Expect(Program("flash", {"--test-loaders", "--yes"}), 2, "flashing needs root or CAP_SYS_RAWIO");
}

// The same, as a real unprivileged user with the real /proc.
TEST_F(Refused, NotRootForReal) {
    if (geteuid() != 0) GTEST_SKIP() << "SKIPPED LOUDLY: dropping to another user needs root";
    if (access("/usr/bin/setpriv", X_OK) != 0) GTEST_SKIP() << "SKIPPED LOUDLY: setpriv (util-linux) is missing";
    Machine(kDemoDrives);
    // The unprivileged user must reach the program, the updater and the machine.
    std::filesystem::permissions(dir.Path(), std::filesystem::perms::all, std::filesystem::perm_options::add);
    for (auto& entry : std::filesystem::recursive_directory_iterator(dir.Path())) {
        std::filesystem::permissions(entry.path(), std::filesystem::perms::all, std::filesystem::perm_options::add);
    }
    // The preload library goes to the program only, not to setpriv, which
    // would otherwise start the request log as root.
    std::map<std::string, std::string> env = Env();
    const std::string preload = "LD_PRELOAD=" + env["LD_PRELOAD"];
    env["LD_PRELOAD"] = "";
    env["NORVEK_PROC_ROOT"] = "";  // the real /proc: the program reads who it really is
    std::vector<std::string> args{"/usr/bin/setpriv", "--reuid=65534",  "--regid=65534",  "--clear-groups",
                                  "/usr/bin/env",     preload,          NORVEK_FLASH_BIN, "flash",
                                  updater.string(),   "--test-loaders", "--yes"};
    const Finished run = RunToEnd(args, env);
    if (run.exitCode == 127 || run.err.find("Permission denied") != std::string::npos) {
        GTEST_SKIP() << "SKIPPED LOUDLY: the unprivileged user cannot run the build's program: " << run.err;
    }

    Expect(run, 2, "flashing needs root or CAP_SYS_RAWIO");
}

TEST_F(Refused, AMountedDrive) {
    sgsim::MachineOptions options;
    options.mountedAt[0] = "/media/disc";
    Machine(kDemoDrives, options);
    Expect(Program("flash", {"--test-loaders", "--yes"}), 2, "is mounted at /media/disc (iso9660)");
}

TEST_F(Refused, ADriveAnotherProgramHolds) {
    Machine(kDemoDrives);
    Expect(Program("flash", {"--test-loaders", "--yes"}, "", {{"NORVEK_SG_BUSY", "sr0"}}), 2, "is held by");
}

TEST_F(Refused, ASmallTransferLimit) {
    sgsim::MachineOptions options;
    options.maxTransferKb[0] = 4;
    Machine(kDemoDrives, options);
    Expect(Program("flash", {"--test-loaders", "--yes"}), 2, "its largest transfer is 4 KiB");
}

TEST_F(Refused, TheTestLoadersWithoutTheirOption) {
    Machine(kDemoDrives);
    Expect(Program("flash", {"--yes"}), 2, "carries the generated test loader set");
}

TEST_F(Refused, AFileWithNoPackage) {
    Machine(kDemoDrives);
    sgsim::WriteBytes(updater, sgsim::SyntheticTemplate(kTestLoaderSet, sgsim::TestLoaderStore()));
    Expect(Program("flash", {"--yes", "--test-loaders"}), 4, "No F/W in executable !");
}

TEST_F(Refused, ADamagedPackage) {
    Machine(kDemoDrives);
    std::vector<std::uint8_t> bytes = sgsim::ReadBytes(updater);
    bytes.resize(bytes.size() / 2);  // cut inside the image area
    sgsim::WriteBytes(updater, bytes);
    Expect(Program("flash", {"--yes", "--test-loaders"}), 4, "truncated");
}

// The report this came from: one byte flipped inside the image area was
// listed, flashed and reported as verified. Both commands refuse it now,
// before anything is sent, naming the checksum.
TEST_F(Refused, AFileWithOneByteFlippedInTheImageArea) {
    Machine(kDemoDrives);
    std::vector<std::uint8_t> bytes = sgsim::ReadBytes(updater);
    bytes[bytes.size() / 2] ^= 0x04;  // the middle of the file: inside the 1 MiB image
    sgsim::WriteBytes(updater, bytes);
    Expect(Program("flash", {"--yes", "--test-loaders"}), 4, "is damaged or was changed after it was packed");
    Expect(Program("list"), 4, "its PE checksum is 0x");
}

TEST_F(Refused, DeclinedAtTheQuestion) {
    Machine(kDemoDrives);
    const Finished run = Program("flash", {"--test-loaders"}, "no\n");
    EXPECT_EQ(run.exitCode, 5);
    for (const std::string& line : Exec(0)) EXPECT_EQ(line.find("cdb=3b"), std::string::npos) << line;
}

}  // namespace
}  // namespace e2e
