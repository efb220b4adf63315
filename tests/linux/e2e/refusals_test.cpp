// Every refusal of the real program: its exit code, its message, and not a
// single command to any drive (the preload's log has no "exec" line).
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>

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

    // The program as user nobody (setpriv), with `capabilities` ambient (e.g.
    // "+sys_rawio") or none. The machine keeps its made-up /proc, whose status
    // says uid 0 and every capability: the program must ask the kernel instead.
    // Nothing when this host cannot run it so (the reason in `skip`).
    std::optional<Finished> RunAsNobody(const std::string& capabilities, std::string& skip) {
        if (geteuid() != 0) {
            skip = "dropping to another user needs root";
            return std::nullopt;
        }
        if (access("/usr/bin/setpriv", X_OK) != 0) {
            skip = "setpriv (util-linux) is missing";
            return std::nullopt;
        }
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
        std::vector<std::string> args{"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
        if (!capabilities.empty()) {
            args.push_back("--inh-caps=" + capabilities);
            args.push_back("--ambient-caps=" + capabilities);
        }
        args.insert(args.end(), {"/usr/bin/env", preload, NORVEK_FLASH_BIN, "flash", updater.string(), "--test-loaders",
                                 "--yes"});
        Finished run = RunToEnd(args, env);
        if (run.exitCode == 127 || run.err.find("Permission denied") != std::string::npos) {
            skip = "the unprivileged user cannot run the build's program: " + run.err;
            return std::nullopt;
        }
        return run;
    }
};

// A user who is not root, with a made-up /proc that says root (a leftover
// NORVEK_PROC_ROOT, or one set on purpose): the kernel says otherwise.
TEST_F(Refused, NotRootWhateverAMadeUpProcSays) {
    Machine(kDemoDrives);
    std::string skip;
    const std::optional<Finished> run = RunAsNobody("", skip);
    if (!run) GTEST_SKIP() << "SKIPPED LOUDLY: " << skip;
    Expect(*run, 2, "flashing needs root or CAP_SYS_RAWIO");
}

// A user with CAP_SYS_RAWIO alone may flash: the capability comes from capget.
TEST_F(Refused, NoRefusalForAUserWithRawIoAlone) {
    if (prctl(PR_CAPBSET_READ, CAP_SYS_RAWIO) != 1) {
        GTEST_SKIP() << "SKIPPED LOUDLY: CAP_SYS_RAWIO is not in this process's bounding set (a container "
                        "without it?): no user can be given it here";
    }
    Machine(kDemoDrives);
    std::string skip;
    const std::optional<Finished> run = RunAsNobody("+sys_rawio", skip);
    if (!run) GTEST_SKIP() << "SKIPPED LOUDLY: " << skip;
    EXPECT_EQ(run->exitCode, 0) << run->err;
    EXPECT_EQ(Flash(0), sgsim::DemoImage());
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

// A file carrying the test loaders and a drive that does not answer with
// the virtual drives' marker (as no real drive does): its identity is read,
// and nothing that changes it is sent, --test-loaders or not.
TEST_F(Refused, TestLoadersForADriveWithoutTheVirtualMarker) {
    Machine(R"([drive]
vendor = "VELMORA"
product = "DVDRW KTV-360R"
revision = "1.02"
new_revision = "1.05"
vendor_specific = "ATAPI REAL 2019"
)");
    const Finished run = Program("flash", {"--test-loaders", "--yes"});
    EXPECT_EQ(run.exitCode, 2) << run.err;
    EXPECT_NE(run.err.find("this file carries test loaders and can flash only the project's virtual drives"),
              std::string::npos)
        << run.err;
    for (const std::string& line : Exec(0)) {
        EXPECT_EQ(line.find("cdb=1b"), std::string::npos) << line;
        EXPECT_EQ(line.find("cdb=3b"), std::string::npos) << line;
    }
    EXPECT_NE(ReadText(RequestLog()).find("exit drive=0 ha=0 target=0 lun=0 revision=1.02 commits=0"),
              std::string::npos);
}

TEST_F(Refused, DeclinedAtTheQuestion) {
    Machine(kDemoDrives);
    const Finished run = Program("flash", {"--test-loaders"}, "no\n");
    EXPECT_EQ(run.exitCode, 5);
    for (const std::string& line : Exec(0)) EXPECT_EQ(line.find("cdb=3b"), std::string::npos) << line;
}

}  // namespace
}  // namespace e2e
