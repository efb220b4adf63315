// Drives that hang instead of failing: a command that gets no answer at all
// until the caller's time-out. Outside the flash the program waits for such
// a drive seconds, not hours, and goes on without it.
#include "scenario_fixture.h"

namespace scenario {
namespace {

// Far more than any number of short time-outs a hung drive may cost, far
// less than one 30-hour flash time-out.
constexpr double kResponsiveSeconds = 600.0;

vdrive::DriveConfig Empty() {
    vdrive::DriveConfig config;
    config.discPresent = false;
    return config;
}

// Every command from the `nth` of `kind` on hangs.
vdrive::DriveConfig HangingFrom(vdrive::DriveConfig config, vdrive::CommandKind kind, int nth) {
    config.faults.push_back({kind, nth, 0, vdrive::FaultEffect::Hangs});
    return config;
}

class HungDriveTest : public ScenarioTest {
protected:
    void AutomaticWithDiscCheck() {
        package.Setting(pkg::kAutoModeOffset, "AUTOMODE=1")
            .Setting(pkg::kWarningOffset, "WARNING=0")
            .Setting(pkg::kChkDiscOffset, "CHKDISC=1");
    }

    // The automatic run of two drives whose first hangs: within seconds of
    // machine time it fails, alone, and the run ends with its report.
    void RunExpectingTheFirstDriveToFailAlone() {
        Launch({});
        const double start = machine.NowSeconds();
        EXPECT_EQ(RunLoop(), StopReason::Terminated);
        EXPECT_LT(machine.NowSeconds() - start, kResponsiveSeconds);

        EXPECT_EQ(DialogTexts(), std::vector<std::string>{kFailureText});
        ExpectUntouched(*drives[0]);
        ExpectFlashed(*drives[1]);
    }

    // Two drives behind the ASPI manager's one adapter, completing in the
    // background as a real manager does.
    void InstallAspiDrives(vdrive::DriveConfig first, vdrive::DriveConfig second) {
        sim::AspiManagerConfig aspi;
        aspi.installed = true;
        sim::AspiAdapter adapter;
        for (vdrive::DriveConfig* config : {&first, &second}) {
            config->clock = sim::NowSeconds;
            drives.push_back(std::make_shared<vdrive::Drive>(*config));
            adapter.devices[{static_cast<BYTE>(drives.size() - 1), 0}] =
                sim::AspiDevice{DTYPE_CDROM, drives.back(), sim::AspiCompletion::Background};
        }
        aspi.adapters.push_back(adapter);
        machine.SetAspiManager(aspi);
    }
};

}  // namespace

TEST_F(HungDriveTest, DriveHungFromItsFirstCommandIsPassedByDiscoveryWithinSeconds) {
    AddDrive(HangingFrom({}, vdrive::CommandKind::Any, 1));
    AddDrive();
    const double start = machine.NowSeconds();
    Launch();
    EXPECT_LT(machine.NowSeconds() - start, kResponsiveSeconds);

    ASSERT_EQ(ListLines().size(), 2u);
    EXPECT_NE(ListLines()[1].find("E:VELMORA DVDRW KTV-360R   1.00"), std::string::npos) << ListLines()[1];
    window->cboDrives.UserSelect(1);
    UpdateAndRun();
    EXPECT_EQ(DialogTexts().back(), kSuccessText);
    ExpectFlashed(*drives[1]);
    ExpectUntouched(*drives[0]);
}

TEST_F(HungDriveTest, DriveHangingInTheDiscCheckFailsAloneWithinSeconds) {
    AutomaticWithDiscCheck();
    // Discovery's readiness poll is answered; the disc check's is not.
    AddDrive(HangingFrom(Empty(), vdrive::CommandKind::TestUnitReady, 2));
    AddDrive(Empty());
    RunExpectingTheFirstDriveToFailAlone();
}

TEST_F(HungDriveTest, AspiDriveHangingInTheDiscCheckFailsAloneWithinSeconds) {
    AutomaticWithDiscCheck();
    InstallAspiDrives(HangingFrom(Empty(), vdrive::CommandKind::TestUnitReady, 2), Empty());
    SetApplicationTag(kPreferAspiTag);
    RunExpectingTheFirstDriveToFailAlone();
}

}  // namespace scenario
