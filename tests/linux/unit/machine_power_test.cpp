// The machine's power as norvek-flash reads it: UPower over the system bus,
// else the kernel's power_supply class in sysfs.
#include "linux/machine_power.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "tests/linux/support/fake_logind.h"
#include "tests/linux/support/fake_upower.h"
#include "tests/linux/support/updater_files.h"

namespace {

namespace fs = std::filesystem;

class SysfsPowerTest : public ::testing::Test {
protected:
    // One power_supply entry, its attributes one file each.
    void Supply(const std::string& name, const std::map<std::string, std::string>& attributes) {
        const fs::path entry = dir.Path() / "class" / "power_supply" / name;
        fs::create_directories(entry);
        for (const auto& [key, value] : attributes) std::ofstream(entry / key) << value << "\n";
    }
    PowerState Read() const { return nflash::PowerFromSysfs(dir.Path()); }

    sgsim::ScratchDir dir;
};

TEST_F(SysfsPowerTest, ALaptopUnpluggedIsOnBatteryAtItsCapacity) {
    Supply("AC", {{"type", "Mains"}, {"online", "0"}});
    Supply("BAT0", {{"type", "Battery"}, {"status", "Discharging"}, {"capacity", "5"}, {"scope", "System"}});
    const PowerState state = Read();
    EXPECT_EQ(state.source, PowerSource::Battery);
    EXPECT_EQ(state.batteryPercent, 5);
    EXPECT_EQ(JudgePower(state).verdict, PowerVerdict::Refuse);
}

TEST_F(SysfsPowerTest, AnOnlineAdapterIsMainsWhateverTheBatterySays) {
    Supply("ADP1", {{"type", "Mains"}, {"online", "1"}});
    Supply("BAT0", {{"type", "Battery"}, {"status", "Charging"}, {"capacity", "3"}});
    EXPECT_EQ(Read().source, PowerSource::Mains);
}

// A wireless mouse's battery is a power supply too, of scope "Device".
TEST_F(SysfsPowerTest, ADesktopWithAMouseBatteryHasNoSystemBattery) {
    Supply("hidpp_battery_0", {{"type", "Battery"}, {"scope", "Device"}, {"capacity", "4"}});
    EXPECT_EQ(Read().source, PowerSource::NoBattery);
    EXPECT_EQ(JudgePower(Read()).verdict, PowerVerdict::Go);
}

TEST_F(SysfsPowerTest, ABatteryWithoutCapacityIsOfUnknownLevel) {
    Supply("BAT1", {{"type", "Battery"}, {"status", "Unknown"}, {"capacity", "n/a"}});
    const PowerState state = Read();
    EXPECT_EQ(state.source, PowerSource::Battery);
    EXPECT_FALSE(state.batteryPercent);
    EXPECT_EQ(JudgePower(state).verdict, PowerVerdict::Warn);
}

TEST_F(SysfsPowerTest, NoPowerSupplyClassIsUnknownAndAnEmptyOneNoBattery) {
    EXPECT_EQ(Read().source, PowerSource::Unknown);
    fs::create_directories(dir.Path() / "class" / "power_supply");
    EXPECT_EQ(Read().source, PowerSource::NoBattery);
}

class UPowerTest : public ::testing::Test {
protected:
    void TearDown() override { unsetenv("DBUS_SYSTEM_BUS_ADDRESS"); }

    // UPower on a private system bus in `state`; false (the test skips) when
    // no bus can be started here.
    bool Serve(const sgsim::UPowerState& state) {
        bus = std::make_unique<sgsim::FakeLogind>(dir.Path(), false);
        if (!bus->Available()) return false;
        setenv("DBUS_SYSTEM_BUS_ADDRESS", bus->Address().c_str(), 1);
        upower = std::make_unique<sgsim::FakeUPower>(bus->Address(), state);
        return upower->Serving();
    }

    sgsim::ScratchDir dir;
    std::unique_ptr<sgsim::FakeLogind> bus;
    std::unique_ptr<sgsim::FakeUPower> upower;
};

#define SERVE_OR_SKIP(state) \
    if (!Serve(state)) GTEST_SKIP() << "SKIPPED LOUDLY: dbus-daemon could not be started for the fake UPower"

TEST_F(UPowerTest, OnBatteryWithTheDisplayDevicesPercentage) {
    SERVE_OR_SKIP((sgsim::UPowerState{true, true, 2, 5.7}));
    const std::optional<PowerState> state = nflash::PowerFromUPower();
    ASSERT_TRUE(state);
    EXPECT_EQ(state->source, PowerSource::Battery);
    EXPECT_EQ(state->batteryPercent, 5);
    // UPower wins over what sysfs would say.
    EXPECT_EQ(nflash::ReadPowerState(nflash::SystemPaths{dir.Path() / "nothing"}).source, PowerSource::Battery);
}

TEST_F(UPowerTest, OnTheAdapterIsMains) {
    SERVE_OR_SKIP((sgsim::UPowerState{false, true, 2, 40.0}));
    EXPECT_EQ(nflash::PowerFromUPower()->source, PowerSource::Mains);
}

TEST_F(UPowerTest, ADesktopsDisplayDeviceIsNoBattery) {
    SERVE_OR_SKIP((sgsim::UPowerState{false, false, 0, 0.0}));
    EXPECT_EQ(nflash::PowerFromUPower()->source, PowerSource::NoBattery);
}

TEST_F(UPowerTest, WithoutUPowerOnTheBusSysfsDecides) {
    bus = std::make_unique<sgsim::FakeLogind>(dir.Path(), false);
    if (!bus->Available()) GTEST_SKIP() << "SKIPPED LOUDLY: dbus-daemon could not be started";
    setenv("DBUS_SYSTEM_BUS_ADDRESS", bus->Address().c_str(), 1);
    EXPECT_FALSE(nflash::PowerFromUPower());
    EXPECT_EQ(nflash::ReadPowerState(nflash::SystemPaths{dir.Path() / "nothing"}).source, PowerSource::Unknown);
}

TEST(NoBusTest, WithoutASystemBusUPowerIsNotAsked) {
    setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/norvek-bus", 1);
    EXPECT_FALSE(nflash::PowerFromUPower());
    unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
}

}  // namespace
