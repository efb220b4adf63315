// norvek-flash on battery: refused below the threshold with nothing sent,
// a warning above it, and a dry run that only warns.
#include <cstdlib>
#include <fstream>

#include "linux_run.h"

namespace linuxrun {
namespace {

using nflash::ExitCode;

class OnBattery : public LinuxRun {
protected:
    void SetUp() override {
        LinuxRun::SetUp();
        // No UPower: the machine's own sysfs decides.
        setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/norvek-bus", 1);
    }
    void TearDown() override {
        unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
        LinuxRun::TearDown();
    }

    void Battery(int percent) {
        Machine(DemoScenario());
        const std::filesystem::path bat = machine->Sys() / "class" / "power_supply" / "BAT0";
        std::filesystem::create_directories(bat);
        std::ofstream(bat / "type") << "Battery\n";
        std::ofstream(bat / "status") << "Discharging\n";
        std::ofstream(bat / "capacity") << percent << "\n";
    }
};

TEST_F(OnBattery, AtFivePercentTheFlashIsRefusedAndNothingSent) {
    Battery(5);
    const nflash::RunReport report = Run({"flash", "--yes", "--test-loaders"});
    EXPECT_EQ(report.code, ExitCode::Refused);
    ASSERT_FALSE(report.errors.empty());
    EXPECT_NE(report.errors[0].find("battery (5 %)"), std::string::npos) << report.errors[0];
    EXPECT_EQ(system.CommandCount(), 0u);
    EXPECT_NE(LogText().find("power: on battery (5 %)"), std::string::npos);
}

TEST_F(OnBattery, AboveTheThresholdItFlashesWithAWarning) {
    Battery(60);
    const nflash::RunReport report = Run({"flash", "--yes", "--test-loaders"});
    EXPECT_EQ(report.code, ExitCode::Success);
    ASSERT_FALSE(report.warnings.empty());
    EXPECT_NE(report.warnings[0].find("battery (60 %)"), std::string::npos);
    EXPECT_TRUE(Changed(0));
}

TEST_F(OnBattery, ADryRunAtFivePercentOnlyWarns) {
    Battery(5);
    const nflash::RunReport report = Run({"flash", "--yes", "--dry-run", "--test-loaders"});
    EXPECT_EQ(report.code, ExitCode::Success);
    ASSERT_FALSE(report.warnings.empty());
    EXPECT_NE(report.warnings[0].find("a real flash would be refused"), std::string::npos);
    EXPECT_FALSE(Changed(0));
}

}  // namespace
}  // namespace linuxrun
