// Ctrl-C and SIGTERM as the run's control sees them: before a drive's first
// changing command it is cancelled cleanly; after it, it is finished.
#include "linux_run.h"

namespace linuxrun {
namespace {

using nflash::DriveResult;
using nflash::ExitCode;

// Interrupts the run when the drive `index` has received a command whose
// first byte is `opcode` for the `nth` time; what the interruption found
// goes to `what`.
void InterruptOn(sgsim::VdriveSgSystem& system, nflash::RunControl& control, int index, std::uint8_t opcode, int nth,
                 nflash::Interruption& what) {
    auto seen = std::make_shared<int>(0);
    system.OnCommand([&control, index, opcode, nth, seen, &what](const sgsim::ServedCommand& c) {
        if (c.driveIndex == index && c.header->cmdp[0] == opcode && ++*seen == nth) what = control.Interrupt();
    });
}

// Two drives the demo package allows. Drive 1 takes its time becoming
// ready (on the real clock), so drive 0 is past its STOP long before drive
// 1 reaches its own.
scenariofile::Scenario FastAndSlowDrives() {
    scenariofile::Scenario scenario;
    scenario.drives = {Velmora("1.00", 0), Velmora("1.01", 1)};
    scenario.drives[1].config.becomingReadyPolls = 400;
    scenario.drives[1].config.latencies.push_back({vdrive::CommandKind::TestUnitReady, 0.002});
    return scenario;
}

TEST_F(LinuxRun, AnInterruptionDuringTheReadinessWaitCancelsTheDriveUntouched) {
    scenariofile::Scenario scenario = DemoScenario();
    scenario.drives[0].config.becomingReadyPolls = 50;
    Machine(scenario);
    // Discovery's TEST UNIT READY is the first; the third is inside the worker's wait.
    nflash::Interruption what;
    InterruptOn(system, control, 0, 0x00, 3, what);
    const nflash::RunReport report = Run({"flash", "--yes", "--test-loaders"});
    EXPECT_EQ(what.cancelled, (std::vector<std::size_t>{0}));
    EXPECT_EQ(report.code, ExitCode::Cancelled);
    EXPECT_EQ(report.drives[0].result, DriveResult::Cancelled);
    EXPECT_FALSE(Changed(0));
    // Discovery's three, then two polls: the third poll is not sent.
    EXPECT_EQ(Blocks(0).size(), 5u) << "the polls stop at once";
}

TEST_F(LinuxRun, AnInterruptionAfterTheStopLetsTheDriveFinish) {
    Machine(DemoScenario());
    nflash::Interruption what;
    InterruptOn(system, control, 0, 0x1B, 1, what);
    const nflash::RunReport report = Run({"flash", "--yes", "--test-loaders"});
    EXPECT_EQ(what.finishing, (std::vector<std::size_t>{0})) << "past its STOP the drive must be finished";
    EXPECT_EQ(report.code, ExitCode::Success);
    EXPECT_EQ(report.drives[0].result, DriveResult::Flashed);
    EXPECT_EQ(drives[0]->FlashContents(), sgsim::DemoImage());
}

TEST_F(LinuxRun, OneDriveFinishesWhileTheOneNotYetChangingIsCancelled) {
    Machine(FastAndSlowDrives());
    system.SetRealTime(true);
    nflash::Interruption what;
    InterruptOn(system, control, 0, 0x1B, 1, what);
    const nflash::RunReport report = Run({"flash", "--all-matched", "--yes", "--test-loaders"});
    EXPECT_EQ(what.finishing, (std::vector<std::size_t>{0}));
    EXPECT_EQ(what.cancelled, (std::vector<std::size_t>{1}));
    EXPECT_EQ(report.drives[0].result, DriveResult::Flashed);
    EXPECT_EQ(report.drives[1].result, DriveResult::Cancelled);
    EXPECT_FALSE(Changed(1));
    EXPECT_EQ(report.code, ExitCode::Cancelled);
    const nflash::Interruption again = control.Interrupt();
    EXPECT_NE(nflash::InterruptionText(again, control).find("interrupted: "), std::string::npos);
}

// One drive failed and another was cancelled: the run says a drive failed
// (3), not that it was cancelled (5), so automation learns of the failure.
TEST_F(LinuxRun, ADriveThatFailedOutranksADriveThatWasCancelled) {
    scenariofile::Scenario scenario = FastAndSlowDrives();
    scenario.drives[0].config.faults.push_back(
        {vdrive::CommandKind::Commit, 1, 0, vdrive::FaultEffect::CheckCondition, {0x04, 0x44, 0x00}});
    Machine(scenario);
    system.SetRealTime(true);
    nflash::Interruption what;
    InterruptOn(system, control, 0, 0x1B, 1, what);
    const nflash::RunReport report = Run({"flash", "--all-matched", "--yes", "--test-loaders"});
    EXPECT_EQ(report.drives[0].result, DriveResult::Failed);
    EXPECT_EQ(report.drives[1].result, DriveResult::Cancelled);
    EXPECT_EQ(nflash::Code(report.code), nflash::Code(ExitCode::DriveFailed));
}

TEST_F(LinuxRun, AnInterruptionBeforeTheQuestionIsAnsweredSendsNothingThatChanges) {
    Machine(DemoScenario());
    control.Interrupt();
    const nflash::RunReport report = Run({"flash", "--test-loaders"}, "y\n");
    EXPECT_EQ(report.code, ExitCode::Cancelled);
    EXPECT_FALSE(Changed(0));
}

TEST(InterruptionTextTest, SaysWhichDrivesMustFinishAndWhichWereCancelled) {
    nflash::RunControl control;
    EXPECT_EQ(nflash::InterruptionText(control.Interrupt(), control),
              "interrupted: stopping before any drive is changed");
    nflash::RunControl run;
    run.SetDrives({"/dev/sg0", "/dev/sg1", ""});
    run.BeginChange(0);
    const std::string text = nflash::InterruptionText(run.Interrupt(), run);
    EXPECT_NE(text.find("/dev/sg0 is being flashed and must finish"), std::string::npos) << text;
    EXPECT_NE(text.find("/dev/sg1 cancelled: nothing was changed."), std::string::npos) << text;
    EXPECT_EQ(text.find("\n\n"), std::string::npos);
}

}  // namespace
}  // namespace linuxrun
