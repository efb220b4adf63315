// The package's CHKDISC and REBOOT settings in norvek-flash: an empty drive
// with its tray in before anything changes it, and the maker's restart
// request passed on rather than carried out.
#include <nlohmann/json.hpp>

#include "linux/report_json.h"
#include "linux_run.h"

namespace linuxrun {
namespace {

using nflash::ExitCode;

class PackageSettingsRun : public LinuxRun {
protected:
    nflash::RunReport FlashWithSettings(const std::vector<std::string>& settings,
                                        const std::function<void(vdrive::DriveConfig&)>& configure = {},
                                        std::vector<std::string> extra = {}) {
        updater = sgsim::DemoUpdaterWith(dir.Path(), sgsim::DemoImage(), settings);
        scenariofile::Scenario scenario = DemoScenario();
        if (configure) configure(scenario.drives[0].config);
        Machine(scenario);
        std::vector<std::string> args{"flash", "--yes", "--test-loaders"};
        args.insert(args.end(), extra.begin(), extra.end());
        return Run(args);
    }
};

TEST_F(PackageSettingsRun, ADiscInTheDriveRefusesTheFlashBeforeAnythingChanges) {
    const auto report = FlashWithSettings({"chkdisc = 1"}, [](vdrive::DriveConfig& c) { c.discPresent = true; });
    EXPECT_EQ(report.code, ExitCode::Refused);
    EXPECT_FALSE(Changed(0));
    ASSERT_FALSE(report.errors.empty());
    EXPECT_NE(report.errors.back().find("holds a disc: take it out"), std::string::npos) << report.errors.back();
    EXPECT_TRUE(drives[0]->DiscPresent()) << "nothing ejected it";
}

TEST_F(PackageSettingsRun, AnOpenTrayRefusesTheFlashToo) {
    const auto report = FlashWithSettings({"chkdisc = 1"}, [](vdrive::DriveConfig& c) {
        c.discPresent = false;
        c.trayOpen = true;
    });
    EXPECT_EQ(report.code, ExitCode::Refused);
    EXPECT_FALSE(Changed(0));
    EXPECT_NE(report.errors.back().find("its tray is open: close it"), std::string::npos) << report.errors.back();
}

TEST_F(PackageSettingsRun, AnEmptyDriveWithItsTrayInIsFlashed) {
    const auto report = FlashWithSettings({"chkdisc = 1"}, [](vdrive::DriveConfig& c) { c.discPresent = false; });
    EXPECT_EQ(report.code, ExitCode::Success) << err.str();
    EXPECT_EQ(drives[0]->Revision(), "1.05");
}

TEST_F(PackageSettingsRun, WithoutChkdiscADiscDoesNotStopTheFlash) {
    const auto report = FlashWithSettings({"chkdisc = 0"}, [](vdrive::DriveConfig& c) { c.discPresent = true; });
    EXPECT_EQ(report.code, ExitCode::Success) << err.str();
}

TEST_F(PackageSettingsRun, TheMakersRestartRequestIsSaidInTextAndJsonAndNotCarriedOut) {
    const auto report = FlashWithSettings({"reboot = 1"});
    EXPECT_EQ(report.code, ExitCode::Success) << err.str();
    EXPECT_NE(out.str().find("the maker asks for a restart of the computer after this update"), std::string::npos)
        << out.str();
    EXPECT_EQ(nflash::ReportJson(report)["restartRequested"], true);
}

TEST_F(PackageSettingsRun, NoRestartIsMentionedWhenThePackageAsksNone) {
    const auto report = FlashWithSettings({"reboot = 0"});
    EXPECT_EQ(report.code, ExitCode::Success);
    EXPECT_EQ(out.str().find("restart"), std::string::npos) << out.str();
    EXPECT_EQ(nflash::ReportJson(report)["restartRequested"], false);
}

TEST_F(PackageSettingsRun, AFailedFlashAsksNoRestart) {
    const auto report =
        FlashWithSettings({"reboot = 1"}, [](vdrive::DriveConfig& c) { c.readBackFaults.push_back({0, 0}); });
    EXPECT_EQ(report.code, ExitCode::DriveFailed);
    EXPECT_EQ(nflash::ReportJson(report)["restartRequested"], false);
}

}  // namespace
}  // namespace linuxrun
