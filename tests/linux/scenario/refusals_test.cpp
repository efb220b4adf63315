// Every refusal ends with its documented code and a clear message, and not
// one command reaches any drive.
#include <fcntl.h>

#include <algorithm>

#include "linux_run.h"

namespace linuxrun {
namespace {

using nflash::ExitCode;

class Refusal : public LinuxRun {
protected:
    void ExpectRefused(const nflash::RunReport& report, ExitCode code, const std::string& words) {
        EXPECT_EQ(report.code, code);
        ASSERT_FALSE(report.errors.empty());
        EXPECT_NE(report.errors[0].find(words), std::string::npos) << report.errors[0];
        EXPECT_EQ(system.CommandCount(), 0u) << "a refusal must send nothing";
        for (std::size_t i = 0; i < drives.size(); ++i) EXPECT_TRUE(Blocks(i).empty()) << i;
    }

    // Overwrites the first `text` in the updater file with `replacement`, of the same length.
    void Patch(const std::string& text, const std::string& replacement) {
        ASSERT_EQ(text.size(), replacement.size());
        std::vector<std::uint8_t> bytes = sgsim::ReadBytes(updater);
        const auto at = std::search(bytes.begin(), bytes.end(), text.begin(), text.end());
        ASSERT_NE(at, bytes.end()) << text;
        std::copy(replacement.begin(), replacement.end(), at);
        sgsim::WriteBytes(updater, bytes);
    }
};

TEST_F(Refusal, WithoutRootOrRawIo) {
    sgsim::MachineOptions options;
    options.root = false;
    Machine(DemoScenario(), options);
    ExpectRefused(Run({"flash", "--yes", "--test-loaders"}), ExitCode::Refused, "root or CAP_SYS_RAWIO");
}

TEST_F(Refusal, AMountedDriveNamingItsMountPoint) {
    sgsim::MachineOptions options;
    options.mountedAt[0] = "/media/user/BACKUP 2019";
    Machine(DemoScenario(), options);
    ExpectRefused(Run({"flash", "--yes", "--test-loaders"}), ExitCode::Refused,
                  "is mounted at /media/user/BACKUP 2019 (iso9660): unmount it first");
}

TEST_F(Refusal, ADriveOpenInAnotherProgramNamingIt) {
    sgsim::MachineOptions options;
    options.holders = {{4242, "k3b", "sg0"}};
    Machine(DemoScenario(), options);
    ExpectRefused(Run({"flash", "--yes", "--test-loaders"}), ExitCode::Refused, "is open in process 4242 (k3b)");
}

TEST_F(Refusal, ADriveHeldExclusivelyWhereTheHolderCannotBeSeen) {
    Machine(DemoScenario());
    system.FailOpen(machine->SgNode(0).string(), EBUSY);
    ExpectRefused(Run({"flash", "--yes", "--test-loaders"}), ExitCode::Refused,
                  "is held by another program (one this user cannot see)");
}

TEST_F(Refusal, ANodeSomeoneElseHasOpenIsNotTakenExclusively) {
    Machine(DemoScenario());
    const int other = system.Open(machine->SgNode(0).c_str(), O_RDWR);  // a program /proc does not show us
    ASSERT_GE(other, 0);
    ExpectRefused(Run({"flash", "--yes", "--test-loaders"}), ExitCode::Refused, "is held by another program");
    system.Close(other);
}

TEST_F(Refusal, ATransferLimitBelowOnePiece) {
    sgsim::MachineOptions options;
    options.maxTransferKb[0] = 8;
    Machine(DemoScenario(), options);
    ExpectRefused(Run({"flash", "--yes", "--test-loaders"}), ExitCode::Refused,
                  "its largest transfer is 8 KiB (max_hw_sectors_kb), less than the 16 KiB piece");
}

TEST_F(Refusal, TheGeneratedTestLoadersWithoutTheirOption) {
    Machine(DemoScenario());
    ExpectRefused(Run({"flash", "--yes"}), ExitCode::Refused, "generated test loader set");
}

TEST_F(Refusal, AFileWithNoPackage) {
    Machine(DemoScenario());
    sgsim::WriteBytes(updater, sgsim::SyntheticTemplate(kTestLoaderSet, sgsim::TestLoaderStore()));
    ExpectRefused(Run({"flash", "--yes", "--test-loaders"}), ExitCode::BadInput, "carries no firmware");
    sgsim::WriteBytes(updater, std::vector<std::uint8_t>(4096, 0x4D));
    ExpectRefused(Run({"flash", "--yes", "--test-loaders"}), ExitCode::BadInput, "is not a Norvek updater file");
}

TEST_F(Refusal, ADamagedPackage) {
    Machine(DemoScenario());
    Patch("HOW_MANY_BIN=", "XOW_MANY_BIN=");
    ExpectRefused(Run({"flash", "--yes", "--test-loaders"}), ExitCode::BadInput, "damaged");
}

// A bank starting before the image area (a damaged or edited file) would
// make the bytes in front of it the firmware: written, verified, committed.
TEST_F(Refusal, ABankThatStartsBeforeTheImageArea) {
    Machine(DemoScenario());
    Patch("BIN_START1=0000000000", "BIN_START1=-000016384");
    ExpectRefused(Run({"flash", "--yes", "--test-loaders"}), ExitCode::BadInput,
                  "has a damaged package: bank 1 starts at -16384");
}

TEST_F(Refusal, OneUnsafeDriveAmongTheChosenStopsTheWholeRun) {
    scenariofile::Scenario scenario;
    scenario.drives = {Velmora("1.00", 0), Velmora("1.01", 1)};
    sgsim::MachineOptions options;
    options.mountedAt[1] = "/mnt";
    Machine(scenario, options);
    ExpectRefused(Run({"flash", "--all-matched", "--yes", "--test-loaders"}), ExitCode::Refused, "/mnt");
}

// A file carrying the generated test loaders flashes only the project's
// virtual drives: a drive whose INQUIRY bytes 36-51 are not the marker gets
// nothing that changes it (no STOP, loader, piece or commit), whether it
// was chosen as the first matched drive, named with --device, or found by
// --all-matched beside a virtual one, and --test-loaders does not lift it.
TEST_F(Refusal, TestLoadersNeverReachADriveWithoutTheVirtualMarker) {
    constexpr char kWords[] = "this file carries test loaders and can flash only the project's virtual drives";
    scenariofile::Scenario scenario;
    scenario.drives = {Velmora("1.02", 0), Velmora("1.02", 1)};
    scenario.drives[0].config.vendorSpecific = "A REAL DRIVE 123";
    Machine(scenario);

    // The first matched drive (the real one, first in table order), then the same named.
    for (const std::vector<std::string>& chosen :
         {std::vector<std::string>{}, std::vector<std::string>{"--device", machine->SgNode(0).string()}}) {
        std::vector<std::string> args{"flash", "--yes", "--test-loaders"};
        args.insert(args.end(), chosen.begin(), chosen.end());
        const nflash::RunReport report = Run(args);
        EXPECT_EQ(report.code, ExitCode::Refused);
        ASSERT_FALSE(report.errors.empty());
        EXPECT_NE(report.errors[0].find(kWords), std::string::npos) << report.errors[0];
        EXPECT_EQ(report.errors[0].find("--"), std::string::npos) << "suggests a flag: " << report.errors[0];
        EXPECT_FALSE(Changed(0));
        EXPECT_FALSE(Changed(1));
    }

    // list says so, of that drive only.
    const nflash::RunReport listed = Run({"list"});
    EXPECT_EQ(listed.code, ExitCode::Success);
    EXPECT_NE(out.str().find(machine->SgNode(0).string() + " (" + machine->SrNode(0).string() +
                             ")  VELMORA DVDRW KTV-360R 1.02  from 1.02 to 1.05 (" + kWords + ")"),
              std::string::npos)
        << out.str();
    EXPECT_NE(out.str().find(machine->SgNode(1).string() + " (" + machine->SrNode(1).string() +
                             ")  VELMORA DVDRW KTV-360R 1.02  from 1.02 to 1.05\n"),
              std::string::npos)
        << out.str();

    const nflash::RunReport all = Run({"flash", "--all-matched", "--yes", "--test-loaders"});
    EXPECT_EQ(all.code, ExitCode::Success) << err.str();
    EXPECT_FALSE(Changed(0));
    EXPECT_EQ(drives[0]->Revision(), "1.02");
    EXPECT_EQ(drives[1]->Revision(), "1.05");
    EXPECT_NE(err.str().find(machine->SgNode(0).string() + " left alone: " + kWords), std::string::npos) << err.str();
}

}  // namespace
}  // namespace linuxrun
