// The window asks the machine's power before a run: too low a battery
// refuses the run with nothing sent, a battery above the threshold gets a
// warning and the run goes on.
#include "scenario_fixture.h"
#include "src/platform/power_check.h"

namespace scenario {
namespace {

using fw::DialogButtons;
using fw::DialogKind;

class WindowPowerTest : public ScenarioTest {};

TEST_F(WindowPowerTest, OnBatteryAtFivePercentTheUpdateIsRefusedAndNothingSent) {
    machine.SetPowerSupply(sim::PowerSupply::OnBattery(5));
    AddDrive();
    Launch({Answer::Yes, Answer::Ok});
    window->cmdUpdate.Click();
    ASSERT_EQ(Dialogs().size(), 2u);
    ExpectDialog(Dialogs()[1], DialogKind::Error, JudgePower({PowerSource::Battery, 5}).text, DialogButtons::Ok);
    EXPECT_TRUE(OnlyDiscovered(*drives[0]));
    // The window stays, ready for a start once the adapter is in.
    EXPECT_FALSE(Ended());
    EXPECT_FALSE(window->RunInProgress());
    EXPECT_TRUE(window->cmdUpdate.Enabled());

    machine.SetPowerSupply(sim::PowerSupply{});
    EXPECT_EQ(UpdateAndRun(), StopReason::Idle);
    ExpectFlashed(*drives[0]);
    EXPECT_EQ(Dialogs().back().text, kSuccessText);
}

TEST_F(WindowPowerTest, AutomaticModeOnBatteryAtFivePercentSendsNothing) {
    package.Setting(pkg::kAutoModeOffset, "AUTOMODE=1").Setting(pkg::kWarningOffset, "WARNING=0");
    machine.SetPowerSupply(sim::PowerSupply::OnBattery(5));
    AddDrive();
    AddDrive();
    // The automatic run starts from the loop, once the window is up; the
    // refusal leaves the window open for a start with the adapter in.
    Launch({Answer::Ok});
    EXPECT_EQ(RunLoop(), StopReason::Idle);
    ASSERT_EQ(Dialogs().size(), 1u);
    EXPECT_EQ(Dialogs()[0].kind, DialogKind::Error);
    EXPECT_FALSE(Ended());
    for (const auto& drive : drives) EXPECT_TRUE(OnlyDiscovered(*drive));
}

TEST_F(WindowPowerTest, OnBatteryAboveTheThresholdAWarningAndTheRunGoesOn) {
    machine.SetPowerSupply(sim::PowerSupply::OnBattery(60));
    AddDrive();
    Launch({Answer::Yes, Answer::Ok, Answer::Ok});
    EXPECT_EQ(UpdateAndRun(), StopReason::Idle);
    ASSERT_EQ(Dialogs().size(), 3u);
    ExpectDialog(Dialogs()[1], DialogKind::Warning, JudgePower({PowerSource::Battery, 60}).text, DialogButtons::Ok);
    EXPECT_EQ(Dialogs()[2].text, kSuccessText);
    ExpectFlashed(*drives[0]);
}

TEST_F(WindowPowerTest, OnMainsOrWithoutBatteryNothingIsAsked) {
    AddDrive();
    LaunchAndRun({Answer::Yes, Answer::Ok});
    EXPECT_EQ(UpdateAndRun(), StopReason::Idle);
    ASSERT_EQ(Dialogs().size(), 2u);
    EXPECT_EQ(Dialogs()[1].text, kSuccessText);
    EXPECT_GE(machine.PowerQueries(), 1);
}

}  // namespace
}  // namespace scenario
