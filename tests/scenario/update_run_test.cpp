// Update runs: manual and automatic, their progress display, the report, and
// what follows a success or a failure.
#include "scenario_fixture.h"

namespace scenario {
namespace {

using fw::DialogButtons;
using fw::DialogKind;

// What the window showed while a dialog was up.
struct Seen {
    std::string msg;
    std::string percent;
    int position = -1;
    int max = -1;
    unsigned delivered = 0;  // worker ends handed to the window so far
};

class UpdateRunTest : public ScenarioTest {
protected:
    // Records the window's status when the dialog with `text` comes up.
    void SeeAt(const std::string& text) {
        onDialog = [this, text](const DialogRecord& d) {
            if (d.text != text) return;
            seen = {window->lblMsg.Caption(), window->lblPercent.Caption(), window->pbar.Position(),
                    window->pbar.Max(), loop->TerminationsDelivered()};
        };
    }

    Seen seen;
};

TEST_F(UpdateRunTest, ManualSuccessWithRebootRestartsTheComputerWhateverCloseApSays) {
    package.Setting(pkg::kRebootOffset, "REBOOT=1").Setting(pkg::kCloseApOffset, "CLOSEAP=0");
    AddDrive();
    Launch();
    SeeAt(kSuccessText);
    EXPECT_EQ(UpdateAndRun(), StopReason::Terminated);

    ExpectFlashed(*drives[0]);
    EXPECT_TRUE(drives[0]->BootCodeRequested());  // BOOTCODE=1 in the template
    ASSERT_EQ(Dialogs().size(), 2u);
    ExpectDialog(Dialogs()[1], DialogKind::Information, kSuccessText, DialogButtons::Ok);
    EXPECT_EQ(seen.msg, "Done.");
    const auto exits = machine.ExitRequests();
    ASSERT_EQ(exits.size(), 1u);
    EXPECT_EQ(exits[0].flags, 6u);
    EXPECT_TRUE(exits[0].accepted);
    EXPECT_TRUE(machine.Privileges().shutdownEnabled);
}

TEST_F(UpdateRunTest, ManualSuccessWithoutRebootOrCloseLeavesTheWindowIdleWithTheNewRevision) {
    AddDrive();
    Launch();
    SeeAt(kSuccessText);
    EXPECT_EQ(UpdateAndRun(), StopReason::Idle);  // waits for the user again

    ExpectFlashed(*drives[0]);
    EXPECT_FALSE(Ended());
    EXPECT_TRUE(machine.ExitRequests().empty());
    ASSERT_EQ(Dialogs().size(), 2u);
    ExpectDialog(Dialogs()[1], DialogKind::Information, kSuccessText, DialogButtons::Ok);
    // The bar was full and the status blue when the report came up.
    EXPECT_EQ(seen.msg, "Done.");
    EXPECT_EQ(seen.percent, "100 %");

    EXPECT_EQ(window->lblMsg.Caption(), "");
    EXPECT_EQ(window->lblMsg.Font().color, fw::clNavy);
    EXPECT_EQ(window->lblPercent.Caption(), "0 %");
    EXPECT_EQ(window->pbar.Position(), 0);
    EXPECT_FALSE(window->tmr.Enabled());
    EXPECT_FALSE(window->RunInProgress());
    EXPECT_EQ(loop->RunStates(), (std::vector<bool>{true, false}));
    // Re-inquired and rebuilt: at 1.05 the drive is past the package's range.
    EXPECT_EQ(ListLines(), std::vector<std::string>{" 1-0-0-0 D:VELMORA DVDRW KTV-360R   1.05"});
    EXPECT_EQ(window->cboDrives.ItemIndex(), 0);
    EXPECT_EQ(window->lblUpdateMsg.Caption(), "This drive is not allowed to be updated.");
    EXPECT_EQ(window->lblUpdateMsg.Font().color, fw::clMaroon);
    EXPECT_FALSE(window->cmdUpdate.Enabled());
    EXPECT_FALSE(window->lblOldFW.Visible());
    EXPECT_TRUE(window->cmdClose.Enabled());
    EXPECT_TRUE(window->cboDrives.Enabled());

    // Close ends the program without asking.
    window->cmdClose.Click();
    EXPECT_TRUE(Ended());
    EXPECT_EQ(Dialogs().size(), 2u);
}

TEST_F(UpdateRunTest, SuccessWithCloseApEndsWithoutRestart) {
    package.Setting(pkg::kCloseApOffset, "CLOSEAP=1");
    AddDrive();
    Launch();
    EXPECT_EQ(UpdateAndRun(), StopReason::Terminated);

    ExpectFlashed(*drives[0]);
    EXPECT_EQ(DialogTexts().back(), kSuccessText);
    EXPECT_TRUE(machine.ExitRequests().empty());
}

// A bank whose range reaches past the image area, or whose size is not a
// whole number of 16 KiB pieces, must not be half sent and then committed:
// the drive gets no WRITE BUFFER at all and the run fails.
class MalformedBankTest : public UpdateRunTest, public ::testing::WithParamInterface<std::pair<int, int>> {};

TEST_P(MalformedBankTest, IsNeverSentAndFailsTheRun) {
    const auto [start, size] = GetParam();
    package.Bank(0, start, size, "1.05");
    AddDrive();
    Launch();
    EXPECT_EQ(UpdateAndRun(), StopReason::Terminated);
    EXPECT_EQ(DialogTexts().back(), kFailureText);
    ExpectUntouched(*drives[0]);
}

INSTANTIATE_TEST_SUITE_P(PastTheAreaOrPartPieces, MalformedBankTest,
                         ::testing::Values(std::pair{16384, 1048576}, std::pair{0, 1048576 - 100},
                                           std::pair{-16384, 16384}));

// The window's application tag makes every manager prefer a working ASPI
// manager, on NT as well; the older family has nothing else.
TEST_F(UpdateRunTest, DriveBehindTheAspiManagerIsFlashedOnBothFamilies) {
    for (const sim::Platform platform : {sim::Platform::Nt, sim::Platform::Older}) {
        SCOPED_TRACE(platform == sim::Platform::Nt ? "NT" : "older");
        machine.SetPlatform(platform);
        const auto drive = InstallAspiDrive();
        Launch();
        EXPECT_EQ(ListLines(), std::vector<std::string>{" 0-0-0-0 VELMORA DVDRW KTV-360R   1.00"});
        EXPECT_EQ(UpdateAndRun(), StopReason::Idle);

        ExpectFlashed(*drive);
        EXPECT_EQ(DialogTexts().back(), kSuccessText);
        EXPECT_TRUE(machine.PassThroughRequests().empty());
    }
}

TEST_F(UpdateRunTest, RunShorterThanTheBarJumpsToFullBeforeTheReport) {
    AddDrive();
    Launch();
    SeeAt(kSuccessText);
    UpdateAndRun();

    // The flash took a few virtual seconds, far less than the bar's 33.
    EXPECT_LT(loop->TimerTicks(), 330u);
    EXPECT_EQ(seen.max, 330);
    EXPECT_EQ(seen.position, 330);
    EXPECT_EQ(seen.percent, "100 %");
}

TEST_F(UpdateRunTest, RunLongerThanThirtyThreeSecondsStopsAtOneHundredPercentAndWaitsWithTenDots) {
    // After discovery the drive takes 40 virtual seconds to become ready; the
    // worker is held at 34 seconds until the window has shown the full bar.
    AddDrive();
    Launch();
    vdrive::DriveConfig slow;
    slow.becomingReadySeconds = 40.0;
    slow.clock = gate.Clock(34.0);
    ReplaceDrive(0, slow);

    struct Tick {
        std::string percent;
        std::string msg;
    };
    std::vector<Tick> ticks;
    const auto tick = window->tmr.OnTimer;
    window->tmr.OnTimer = [&, tick](void* sender) {
        tick(sender);
        ticks.push_back({window->lblPercent.Caption(), window->lblMsg.Caption()});
        if (ticks.size() == 335) gate.Open();
    };
    window->cmdUpdate.Click();
    gate.Start();
    EXPECT_EQ(RunLoop(), StopReason::Idle);

    ASSERT_GE(ticks.size(), 335u);
    EXPECT_EQ(ticks[0].percent, "0 %");  // 1 x 100 / 330
    EXPECT_EQ(ticks[0].msg, "Programming .");
    EXPECT_EQ(ticks[3].percent, "1 %");  // 4 x 100 / 330
    EXPECT_EQ(ticks[9].msg, "Programming ");
    EXPECT_EQ(ticks[328].percent, "99 %");
    EXPECT_EQ(ticks[329].percent, "100 %");
    for (std::size_t i = 330; i < ticks.size(); ++i) {
        EXPECT_EQ(ticks[i].percent, "100 %") << "tick " << i + 1;
        EXPECT_EQ(ticks[i].msg, "Programming ..........") << "tick " << i + 1;
    }
    ExpectFlashed(*drives[0]);
    EXPECT_EQ(DialogTexts().back(), kSuccessText);
}

TEST_F(UpdateRunTest, AutomaticModeFlashesAllDrivesAndReportsOneFailureAfterTheLast) {
    package.Setting(pkg::kAutoModeOffset, "AUTOMODE=1").Setting(pkg::kWarningOffset, "WARNING=0");
    vdrive::DriveConfig failing;
    failing.faults.push_back({vdrive::CommandKind::Commit, 1, 0});
    AddDrive();
    AddDrive(failing);
    AddDrive();
    SeeAt(kFailureText);
    Launch({});
    // The run starts from the message loop once the window is built, without
    // a question.
    EXPECT_TRUE(Dialogs().empty());
    EXPECT_FALSE(window->RunInProgress());
    EXPECT_TRUE(OnlyDiscovered(*drives[0]));
    EXPECT_EQ(RunLoop(), StopReason::Terminated);

    ASSERT_EQ(Dialogs().size(), 1u);
    ExpectDialog(Dialogs()[0], DialogKind::Error, kFailureText, DialogButtons::Ok);
    EXPECT_EQ(seen.delivered, 3u);
    ExpectFlashed(*drives[0]);
    ExpectFlashed(*drives[2]);
    EXPECT_EQ(drives[1]->CommitCount(), 0);
    EXPECT_EQ(drives[1]->Revision(), "1.00");
    EXPECT_TRUE(machine.ExitRequests().empty());
    // Every drive was re-inquired before the report.
    EXPECT_EQ(ListLines(), (std::vector<std::string>{" 1-0-0-0 D:VELMORA DVDRW KTV-360R   1.05",
                                                     " 1-0-1-0 E:VELMORA DVDRW KTV-360R   1.00",
                                                     " 1-0-2-0 F:VELMORA DVDRW KTV-360R   1.05"}));
    EXPECT_TRUE(loop->Progress().failed);
}

TEST_F(UpdateRunTest, AutomaticModeFlashesUpToDateDrivesWithoutAsking) {
    package.Setting(pkg::kAutoModeOffset, "AUTOMODE=1").Setting(pkg::kN2oMessageOffset, "N2OMESSAGE=1");
    package.Slot(0, 0, "1.00", "1.09", "VELMORA ", "DVDRW KTV-360R  ");
    AddDrive(Revision("1.05"));
    LaunchAndRun();
    EXPECT_EQ(loop->LastStop(), StopReason::Idle);

    EXPECT_EQ(DialogTexts(), (std::vector<std::string>{kNoticeText, kSuccessText}));
    EXPECT_EQ(drives[0]->CommitCount(), 1);
}

TEST_F(UpdateRunTest, UpToDateDriveDeclinedEndsWithoutWritingToIt) {
    package.Setting(pkg::kN2oMessageOffset, "N2OMESSAGE=1");
    package.Slot(0, 0, "1.00", "1.09", "VELMORA ", "DVDRW KTV-360R  ");
    AddDrive(Revision("1.05"));
    Launch({Answer::Yes, Answer::No});
    UpdateAndRun();

    EXPECT_TRUE(Ended());
    ASSERT_EQ(Dialogs().size(), 2u);
    ExpectDialog(Dialogs()[1], DialogKind::Warning,
                 "Your drive's Firmware is already the most updated !\n Do you wish to continue ?",
                 DialogButtons::YesNo);
    ExpectUntouched(*drives[0]);
    EXPECT_TRUE(OnlyDiscovered(*drives[0]));
    EXPECT_TRUE(loop->RunStates().empty());
}

TEST_F(UpdateRunTest, SecondStartDuringARunIsRefused) {
    AddDrive();
    AddDrive();
    Launch();
    window->cmdUpdate.Click();

    EXPECT_TRUE(window->RunInProgress());
    EXPECT_FALSE(window->cmdUpdate.Enabled());
    EXPECT_FALSE(window->cmdClose.Enabled());
    EXPECT_FALSE(window->cboDrives.Enabled());
    EXPECT_EQ(window->lblMsg.Font().color, fw::clMaroon);
    // A change event that reaches the handler anyway does not enable Update
    // again, and neither does a start that reaches its handler anyway.
    window->cboDrivesChange(nullptr);
    EXPECT_FALSE(window->cmdUpdate.Enabled());
    window->cmdUpdateClick(nullptr);
    window->cmdClose.Click();
    EXPECT_FALSE(Ended());
    EXPECT_EQ(RunLoop(), StopReason::Idle);

    EXPECT_EQ(loop->TerminationsDelivered(), 1u);
    EXPECT_EQ(std::ranges::count(DialogTexts(), kSuccessText), 1);
    ExpectFlashed(*drives[0]);
    ExpectUntouched(*drives[1]);
}

TEST_F(UpdateRunTest, DriveThatCannotBeOpenedForTheRunFailsIt) {
    AddDrive();
    Launch();
    machine.ConfigureCdrom('D', [](sim::CdromDevice& d) { d.openFails = true; });
    UpdateAndRun();

    EXPECT_TRUE(Ended());
    EXPECT_FALSE(window->RunInProgress());
    EXPECT_TRUE(window->cmdClose.Enabled());

    ASSERT_EQ(Dialogs().size(), 2u);
    ExpectDialog(Dialogs()[1], DialogKind::Error, kFailureText, DialogButtons::Ok);
    ExpectUntouched(*drives[0]);
    EXPECT_TRUE(machine.ExitRequests().empty());
}

}  // namespace
}  // namespace scenario
