// What the program learns from sysfs and /proc before it sends anything:
// the drives, their nodes and limits, who holds them, and whether this
// process may flash.
#include <gtest/gtest.h>
#include <sys/sysmacros.h>
#include <sys/capability.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "linux/drive_holders.h"
#include "linux/privileges.h"
#include "linux/safety_checks.h"
#include "linux/sysfs_discovery.h"
#include "linux/test_build/environment_roots.h"
#include "tests/linux/support/fake_machine.h"
#include "tests/linux/support/updater_files.h"

namespace {

using nflash::OpticalDrive;
using nflash::SystemPaths;

scenariofile::Scenario Drives(std::initializer_list<std::tuple<int, int, int>> addresses) {
    scenariofile::Scenario scenario;
    for (auto [adapter, target, lun] : addresses) {
        scenariofile::DriveSlot slot;
        slot.adapter = adapter;
        slot.target = target;
        slot.lun = lun;
        scenario.drives.push_back(slot);
    }
    return scenario;
}

SystemPaths PathsOf(const sgsim::FakeMachine& machine) {
    return SystemPaths{machine.Sys(), machine.Dev(), machine.Proc()};
}

TEST(SysfsDiscovery, FindsOpticalDevicesInAddressOrderWithTheirNodesAndLimits) {
    sgsim::ScratchDir dir;
    scenariofile::Scenario scenario = Drives({{10, 0, 0}, {2, 1, 0}, {2, 0, 1}});
    scenario.drives[0].config.revision = "1.02";
    sgsim::MachineOptions options;
    options.maxTransferKb[1] = 64;
    const sgsim::FakeMachine machine(dir.Path(), scenario, options);

    const std::vector<OpticalDrive> drives = nflash::DiscoverOpticalDrives(PathsOf(machine));
    ASSERT_EQ(drives.size(), 3u);
    // 2:0:0:1 < 2:0:1:0 < 10:0:0:0: numeric, not by name.
    EXPECT_EQ(drives[0].address.Text(), "2:0:0:1");
    EXPECT_EQ(drives[1].address.Text(), "2:0:1:0");
    EXPECT_EQ(drives[2].address.Text(), "10:0:0:0");
    EXPECT_EQ(drives[0].sgPath, machine.SgNode(2));
    EXPECT_EQ(drives[0].srPath, machine.SrNode(2));
    // Its nodes' numbers from sysfs: sg (character), sr (block), bsg (character).
    EXPECT_EQ(drives[0].numbers, (std::vector<nflash::DeviceNumber>{
                                     {false, makedev(240, 2)}, {true, makedev(240, 2)}, {false, makedev(241, 2)}}));
    EXPECT_EQ(drives[1].maxTransferKb, std::optional<std::uint32_t>(64));
    EXPECT_EQ(drives[2].maxTransferKb, std::optional<std::uint32_t>(512));
    // The identity as the kernel shows it: padded as INQUIRY sends it.
    EXPECT_EQ(drives[2].vendor, "VELMORA ");
    EXPECT_EQ(drives[2].model, "DVDRW KTV-360R  ");
    EXPECT_EQ(drives[2].revision, "1.02");
    EXPECT_EQ(drives[2].CommandPath(), machine.SgNode(0));
}

TEST(SysfsDiscovery, PassesOverOtherDeviceTypesAndFallsBackToTheBlockNode) {
    sgsim::ScratchDir dir;
    scenariofile::Scenario scenario = Drives({{0, 0, 0}, {1, 0, 0}});
    scenario.drives[0].config.peripheralType = 0;  // a disk
    sgsim::MachineOptions options;
    options.withoutSg = {1};
    const sgsim::FakeMachine machine(dir.Path(), scenario, options);

    const std::vector<OpticalDrive> drives = nflash::DiscoverOpticalDrives(PathsOf(machine));
    ASSERT_EQ(drives.size(), 1u);
    EXPECT_TRUE(drives[0].sgPath.empty());
    EXPECT_EQ(drives[0].CommandPath(), machine.SrNode(1));
    EXPECT_EQ(drives[0].Nodes(), machine.SrNode(1).string());
}

TEST(SysfsDiscovery, NoSysfsMeansNoDrives) {
    EXPECT_TRUE(nflash::DiscoverOpticalDrives(SystemPaths{"/nonexistent/sys", "/dev", "/proc"}).empty());
}

TEST(SysfsDiscovery, ReadsOnlyWholeScsiAddresses) {
    EXPECT_TRUE(nflash::ParseScsiAddress("0:0:0:0").has_value());
    EXPECT_EQ(nflash::ParseScsiAddress("12:3:4:5")->Text(), "12:3:4:5");
    for (const char* name : {"host0", "target0:0:0", "0:0:0", "0:0:0:0:0", "0:0:0:x", "0:0:0:0 ", ""}) {
        EXPECT_FALSE(nflash::ParseScsiAddress(name).has_value()) << name;
    }
}

TEST(DriveHolders, NamesTheMountsOfTheDrivesBlockDevice) {
    sgsim::ScratchDir dir;
    sgsim::MachineOptions options;
    options.mountedAt[1] = "/media/user/MY DISC";
    const sgsim::FakeMachine machine(dir.Path(), Drives({{0, 0, 0}, {1, 0, 0}}), options);
    const auto drives = nflash::DiscoverOpticalDrives(PathsOf(machine));
    ASSERT_EQ(drives.size(), 2u);
    EXPECT_TRUE(nflash::MountsOf(PathsOf(machine), drives[0]).empty());
    EXPECT_EQ(nflash::DescribeHolders(PathsOf(machine), drives[1]), "mounted at /media/user/MY DISC (iso9660)");
}

// By device number: a node under another name, and the bsg node, which no
// path comparison with the sg and sr nodes would find.
TEST(DriveHolders, NamesTheProcessesWithANodeOpenUnderAnyNameBsgIncluded) {
    sgsim::ScratchDir dir;
    sgsim::MachineOptions options;
    options.holders = {{812, "udisksd", "sr0"}, {1500, "k3b", "sg1"}, {2024, "sg_inq", "bsg/2:0:0:0"},
                       {3000, "cdrecord", "scd3"}};
    options.mountedAt[0] = "/media/cdrom";
    options.aliases = {{"scd3", "sr3"}};
    const sgsim::FakeMachine machine(dir.Path(), Drives({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {4, 0, 0}}),
                                     options);
    if (!machine.DeviceNodes()) GTEST_SKIP() << "SKIPPED LOUDLY: device nodes can be made only as root";
    const auto drives = nflash::DiscoverOpticalDrives(PathsOf(machine));
    EXPECT_EQ(nflash::DescribeHolders(PathsOf(machine), drives[0]),
              "mounted at /media/cdrom (iso9660); process 812 (udisksd)");
    EXPECT_EQ(nflash::DescribeHolders(PathsOf(machine), drives[1]), "process 1500 (k3b)");
    EXPECT_EQ(nflash::DescribeHolders(PathsOf(machine), drives[2]), "process 2024 (sg_inq)");
    EXPECT_EQ(nflash::DescribeHolders(PathsOf(machine), drives[3]), "process 3000 (cdrecord)");
    EXPECT_EQ(nflash::DescribeHolders(PathsOf(machine), drives[4]), "");
}

// What a child process that became `uid` with `capabilities` (effective
// and permitted) reads of itself: 1 root, 2 raw I/O, 0 neither, 3 both.
int PrivilegesOfAChild(uid_t uid, const std::vector<cap_value_t>& capabilities) {
    const pid_t child = fork();
    if (child == 0) {
        prctl(PR_SET_KEEPCAPS, 1);
        if (setresgid(uid, uid, uid) != 0 || setresuid(uid, uid, uid) != 0) _exit(99);
        cap_t caps = cap_init();
        if (!capabilities.empty()) {
            cap_set_flag(caps, CAP_EFFECTIVE, static_cast<int>(capabilities.size()), capabilities.data(), CAP_SET);
            cap_set_flag(caps, CAP_PERMITTED, static_cast<int>(capabilities.size()), capabilities.data(), CAP_SET);
        }
        if (cap_set_proc(caps) != 0) _exit(98);
        const nflash::Privileges p = nflash::ReadPrivileges();
        _exit((p.root ? 1 : 0) | (p.rawIo ? 2 : 0));
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// From the kernel, in processes that really are who they claim: root with
// every capability, a user with CAP_SYS_RAWIO alone, a user with nothing,
// and root whose capabilities were all dropped (still root).
TEST(Privileges, RootOrRawIoMayFlashAnyoneElseMayNot) {
    if (geteuid() != 0) GTEST_SKIP() << "SKIPPED LOUDLY: becoming other users needs root";
    EXPECT_TRUE(nflash::ReadPrivileges().root);
    EXPECT_EQ(PrivilegesOfAChild(65534, {CAP_CHOWN}), 0);
    EXPECT_EQ(PrivilegesOfAChild(65534, {}), 0);
    EXPECT_EQ(PrivilegesOfAChild(0, {}), 1);
    if (prctl(PR_CAPBSET_READ, CAP_SYS_RAWIO) != 1) {
        GTEST_SKIP() << "SKIPPED LOUDLY: CAP_SYS_RAWIO is not in this process's bounding set (a container "
                        "without it?): the raw I/O cases cannot run here";
    }
    EXPECT_TRUE(nflash::ReadPrivileges().rawIo);
    EXPECT_EQ(PrivilegesOfAChild(65534, {CAP_SYS_RAWIO}), 2);
    EXPECT_EQ(PrivilegesOfAChild(0, {CAP_SYS_RAWIO}), 3);
}

// The test build's roots (the released program has none to move).
TEST(SystemPathsTest, EachRootFollowsItsVariableInTheTestBuild) {
    setenv("NORVEK_SYSFS_ROOT", "/tmp/s", 1);
    setenv("NORVEK_DEV_ROOT", "", 1);
    unsetenv("NORVEK_PROC_ROOT");
    const SystemPaths paths = nflash::RootsFromEnvironment();
    unsetenv("NORVEK_SYSFS_ROOT");
    unsetenv("NORVEK_DEV_ROOT");
    EXPECT_EQ(paths.sys, "/tmp/s");
    EXPECT_EQ(paths.dev, "/dev");
    EXPECT_EQ(paths.proc, "/proc");
}

}  // namespace

namespace {

TEST(SafetyProblemsTest, TheTransferLimitMustHoldOnePieceAndBeKnown) {
    sgsim::ScratchDir dir;
    const sgsim::FakeMachine machine(dir.Path(), Drives({{0, 0, 0}}));
    const SystemPaths paths{machine.Sys(), machine.Dev(), machine.Proc()};
    nflash::DriveReport r;
    r.drive = nflash::DiscoverOpticalDrives(paths).at(0);
    r.drive.maxTransferKb = 16;
    EXPECT_TRUE(nflash::SafetyProblems(r, paths).empty());
    r.drive.maxTransferKb = 15;
    ASSERT_EQ(nflash::SafetyProblems(r, paths).size(), 1u);
    EXPECT_NE(nflash::SafetyProblems(r, paths)[0].find("15 KiB"), std::string::npos);
    r.drive.maxTransferKb.reset();
    ASSERT_EQ(nflash::SafetyProblems(r, paths).size(), 1u);
    EXPECT_NE(nflash::SafetyProblems(r, paths)[0].find("cannot be read"), std::string::npos);
}

}  // namespace
