// A run ends once, after every drive: workers that end while later drives
// are still being checked, drives that fail before their worker, and the
// restart that must wait for all of them.
#include <stdexcept>
#include <thread>

#include "scenario_fixture.h"

namespace scenario {
namespace {

using fw::DialogButtons;
using fw::DialogKind;

const std::string kRemoveDiscText = "Please remove the disc.";

vdrive::DriveConfig Empty() {
    vdrive::DriveConfig config;
    config.discPresent = false;
    return config;
}

class RunEndTest : public ScenarioTest {
protected:
    void SetUp() override {
        ScenarioTest::SetUp();
        package.Setting(pkg::kChkDiscOffset, "CHKDISC=1");
    }

    void AutomaticWithoutNotice() {
        package.Setting(pkg::kAutoModeOffset, "AUTOMODE=1").Setting(pkg::kWarningOffset, "WARNING=0");
    }

    // The middle drive's disc-check dialog stays up, as a user slow to take
    // the disc out, until the first drive's worker has ended and been
    // delivered: its whole flash happens while the run is still starting.
    void HoldTheDiscDialogPastTheFirstFlash() {
        holdDialog = [this](const DialogRecord& d) {
            return d.text == kRemoveDiscText && loop->TerminationsDelivered() < 1;
        };
    }

    // How many workers had been delivered when the dialog with `text` came up.
    void CountEndsAt(const std::string& text) {
        onDialog = [this, text](const DialogRecord& d) {
            if (d.text == text) endsAtReport.push_back(loop->TerminationsDelivered());
        };
    }

    std::vector<unsigned> endsAtReport;
};

TEST_F(RunEndTest, FirstWorkerEndingDuringALaterDiscCheckDoesNotEndTheRun) {
    AutomaticWithoutNotice();
    package.Setting(pkg::kRebootOffset, "REBOOT=1");
    AddDrive(Empty());
    AddDrive();  // holds a disc, lifted off once the tray comes out
    AddDrive(Empty());
    HoldTheDiscDialogPastTheFirstFlash();
    CountEndsAt(kSuccessText);
    Launch({});
    EXPECT_EQ(RunLoop(), StopReason::Terminated);

    EXPECT_EQ(DialogTexts(), (std::vector<std::string>{kRemoveDiscText, kSuccessText}));
    EXPECT_EQ(endsAtReport, std::vector<unsigned>{3});
    ExpectFlashed(*drives[0]);
    ExpectFlashed(*drives[1]);
    ExpectFlashed(*drives[2]);
    // The restart came once, after the last drive.
    EXPECT_EQ(machine.ExitRequests().size(), 1u);
}

TEST_F(RunEndTest, FailureIsReportedOnceAfterEveryDriveOfARunStartedAcrossADialog) {
    AutomaticWithoutNotice();
    vdrive::DriveConfig failing = Empty();
    failing.faults.push_back({vdrive::CommandKind::Commit, 1, 0});
    AddDrive(Empty());
    AddDrive();
    AddDrive(failing);
    HoldTheDiscDialogPastTheFirstFlash();
    CountEndsAt(kFailureText);
    Launch({});
    EXPECT_EQ(RunLoop(), StopReason::Terminated);

    EXPECT_EQ(DialogTexts(), (std::vector<std::string>{kRemoveDiscText, kFailureText}));
    EXPECT_EQ(endsAtReport, std::vector<unsigned>{3});
    ExpectFlashed(*drives[0]);
    ExpectFlashed(*drives[1]);
    EXPECT_EQ(drives[2]->CommitCount(), 0);
    EXPECT_TRUE(machine.ExitRequests().empty());
}

TEST_F(RunEndTest, RunWhoseWorkersAllEndedDuringTheStartFinishesAtTheEndOfTheStart) {
    AutomaticWithoutNotice();
    AddDrive(Empty());
    AddDrive();
    // The last drive of the run is the one that asks, and the only worker
    // ends meanwhile: nothing is left to end the run afterwards but the start.
    holdDialog = [this](const DialogRecord& d) {
        return d.text == kRemoveDiscText && loop->TerminationsDelivered() < 1;
    };
    CountEndsAt(kSuccessText);
    Launch({});
    RunLoop();

    EXPECT_EQ(DialogTexts(), (std::vector<std::string>{kRemoveDiscText, kSuccessText}));
    EXPECT_EQ(endsAtReport, std::vector<unsigned>{2});
    ExpectFlashed(*drives[0]);
    ExpectFlashed(*drives[1]);
    EXPECT_FALSE(window->RunInProgress());
}

TEST_F(RunEndTest, DriveThatGivesNoAnswerDuringTheDiscCheckFailsAloneAndTheRunEnds) {
    AutomaticWithoutNotice();
    // Discovery clears a unit attention with one TEST UNIT READY; from the
    // disc check on, this drive answers nothing.
    vdrive::DriveConfig silent = Empty();
    silent.faults.push_back(
        {vdrive::CommandKind::TestUnitReady, 2, 0, vdrive::FaultEffect::NotDelivered});
    AddDrive(Empty());
    AddDrive(silent);
    AddDrive(Empty());
    Launch({});
    EXPECT_EQ(RunLoop(), StopReason::Terminated);

    EXPECT_EQ(DialogTexts(), std::vector<std::string>{kFailureText});
    ExpectFlashed(*drives[0]);
    ExpectFlashed(*drives[2]);
    ExpectUntouched(*drives[1]);
    EXPECT_EQ(CountOpcode(*drives[1], kStartStopOp), 0);
}

TEST_F(RunEndTest, SilentDriveInAManualRunFailsWithoutATrayCommand) {
    AddDrive(Empty());
    Launch();
    vdrive::DriveConfig silent = Empty();
    silent.faults.push_back(
        {vdrive::CommandKind::TestUnitReady, 1, 0, vdrive::FaultEffect::NotDelivered});
    ReplaceDrive(0, silent);
    UpdateAndRun();

    EXPECT_TRUE(Ended());
    ASSERT_EQ(Dialogs().size(), 2u);
    ExpectDialog(Dialogs()[1], DialogKind::Error, kFailureText, DialogButtons::Ok);
    ExpectUntouched(*drives[0]);
    EXPECT_EQ(CountOpcode(*drives[0], kStartStopOp), 0);
}

TEST_F(RunEndTest, WorkerWhoseThreadCannotStartFailsItsDriveAndTheRunStillEnds) {
    AddDrive(Empty());
    Launch();
    loop->RefuseThreadStarts(1);
    UpdateAndRun();

    EXPECT_TRUE(Ended());
    ASSERT_EQ(Dialogs().size(), 2u);
    ExpectDialog(Dialogs()[1], DialogKind::Error, kFailureText, DialogButtons::Ok);
    EXPECT_FALSE(window->RunInProgress());
    EXPECT_TRUE(window->cmdClose.Enabled());
    ExpectUntouched(*drives[0]);
}

TEST_F(RunEndTest, StartFromInsideTheSuccessDialogIsRefusedAndNothingRestartsUnderIt) {
    package.Setting(pkg::kChkDiscOffset, "CHKDISC=0").Setting(pkg::kRebootOffset, "REBOOT=1");
    AddDrive();
    AddDrive();
    Launch();
    // A worker started for the second drive would still be at its first
    // command when the program restarts the computer.
    vdrive::DriveConfig held;
    held.clock = gate.Clock(0);
    ReplaceDrive(1, held);
    // Update and Close are enabled again while the report is up; a user who
    // clicks Update there must not start a run the restart would cut short.
    onDialog = [this](const DialogRecord& d) {
        if (d.text != kSuccessText) return;
        window->cboDrives.UserSelect(1);
        window->cmdUpdate.Click();
    };
    EXPECT_EQ(UpdateAndRun(), StopReason::Terminated);

    EXPECT_EQ(std::ranges::count(DialogTexts(), kSuccessText), 1);
    EXPECT_EQ(machine.ExitRequests().size(), 1u);
    EXPECT_EQ(loop->RunningThreads(), 0) << "a worker is alive after the restart";
    ExpectFlashed(*drives[0]);
    EXPECT_TRUE(drives[1]->CommandBlocks().empty());
}

// Drive 1 is held in mid-flash while drive 2's disc check waits for the
// user; the system asks whether the session may end (a log-off, an update's
// restart) and must be told no: drive 1 could be cut off in its commit.
TEST_F(RunEndTest, SessionEndIsRefusedDuringALaterDiscCheckWhileTheFirstDriveFlashes) {
    AutomaticWithoutNotice();
    AddDrive(Empty());
    AddDrive();  // holds a disc: its check asks the user
    bool asked = false;
    holdDialog = [this, &asked](const DialogRecord& d) {
        if (d.text != kRemoveDiscText) return false;
        if (!asked) {
            asked = true;
            loop->PostSessionEndQuery();
            return true;
        }
        if (loop->SessionEndAnswers().empty()) return true;
        gate.Open();
        return false;
    };
    onDialog = [this](const DialogRecord& d) {
        if (d.text == kRemoveDiscText) EXPECT_EQ(loop->RunningThreads(), 1) << "drive 1 is flashing";
    };
    Launch({});
    // The worker's readiness polls wait at the gate; the window's disc check
    // of the same drive goes through.
    vdrive::DriveConfig held = Empty();
    held.clock = [gated = gate.Clock(0), ui = std::this_thread::get_id()] {
        return std::this_thread::get_id() == ui ? sim::NowSeconds() : gated();
    };
    ReplaceDrive(0, held);
    gate.Start();
    RunLoop();

    EXPECT_EQ(loop->SessionEndAnswers(), std::vector<bool>{false});
    EXPECT_EQ(DialogTexts(), (std::vector<std::string>{kRemoveDiscText, kSuccessText}));
    ExpectFlashed(*drives[0]);
    ExpectFlashed(*drives[1]);
    loop->PostSessionEndQuery();
    app->ProcessMessages();
    EXPECT_EQ(loop->SessionEndAnswers(), (std::vector<bool>{false, true})) << "released after the run";
}

// A step of the automatic start throws (here the disc check's dialog) while
// drive 1 is already flashing: the window must live on until that worker is
// in, and the run must still end with its report.
TEST_F(RunEndTest, ExceptionInTheAutomaticStartLeavesTheWindowToFinishTheRun) {
    AutomaticWithoutNotice();
    AddDrive(Empty());
    AddDrive();
    bool thrown = false;
    onDialog = [&thrown](const DialogRecord& d) {
        if (d.text != kRemoveDiscText || thrown) return;
        thrown = true;
        throw std::runtime_error("disc check broke");
    };
    EXPECT_NO_THROW(Launch({}));
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(RunLoop(), StopReason::Terminated);

    EXPECT_TRUE(thrown);
    EXPECT_EQ(DialogTexts(), (std::vector<std::string>{"disc check broke", kFailureText}));
    ExpectFlashed(*drives[0]);
    ExpectUntouched(*drives[1]);
    EXPECT_EQ(loop->RunningThreads(), 0);
}

// The report itself throws: the run must still be over, Close and Update
// usable again and the session free to end.
TEST_F(RunEndTest, ExceptionInTheReportLeavesTheWindowUsable) {
    package.Setting(pkg::kChkDiscOffset, "CHKDISC=0")
        .Setting(pkg::kRebootOffset, "REBOOT=0")
        .Setting(pkg::kCloseApOffset, "CLOSEAP=0");
    AddDrive();
    bool thrown = false;
    onDialog = [&thrown](const DialogRecord& d) {
        if (d.text != kSuccessText || thrown) return;
        thrown = true;
        throw std::runtime_error("report broke");
    };
    Launch();
    EXPECT_EQ(UpdateAndRun(), StopReason::Idle);

    EXPECT_TRUE(thrown);
    EXPECT_EQ(DialogTexts().back(), "report broke");
    EXPECT_FALSE(window->RunInProgress());
    EXPECT_TRUE(window->cmdClose.Enabled());
    EXPECT_TRUE(window->cmdUpdate.Enabled());
    EXPECT_FALSE(loop->Running());
    ExpectFlashed(*drives[0]);
}

}  // namespace
}  // namespace scenario
