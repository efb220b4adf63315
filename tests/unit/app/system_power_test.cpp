// The power state as the Windows program reads it from GetSystemPowerStatus.
#include "src/app/system_power.h"

#include <gtest/gtest.h>

#include "sim/winsim/machine.h"

namespace {

class SystemPowerTest : public ::testing::Test {
protected:
    void SetUp() override { sim::machine().Reset(); }
    void TearDown() override { sim::machine().Reset(); }

    static PowerState With(sim::PowerSupply supply) {
        sim::machine().SetPowerSupply(supply);
        return ReadSystemPowerState();
    }
};

TEST_F(SystemPowerTest, ADesktopOnMainsWithoutBattery) {
    const PowerState state = ReadSystemPowerState();
    EXPECT_EQ(state.source, PowerSource::Mains);
    EXPECT_FALSE(state.batteryPercent);
    EXPECT_EQ(sim::machine().PowerQueries(), 1);
}

TEST_F(SystemPowerTest, ALaptopUnpluggedReportsItsLevel) {
    const PowerState state = With(sim::PowerSupply::OnBattery(5));
    EXPECT_EQ(state.source, PowerSource::Battery);
    EXPECT_EQ(state.batteryPercent, 5);
}

TEST_F(SystemPowerTest, ALaptopPluggedInIsOnMainsWhateverItsLevel) {
    sim::PowerSupply charging = sim::PowerSupply::OnBattery(4);
    charging.acLine = 1;
    EXPECT_EQ(With(charging).source, PowerSource::Mains);
}

// 255 is Windows' "unknown" in each field.
TEST_F(SystemPowerTest, UnknownFieldsStayUnknown) {
    EXPECT_FALSE(With(sim::PowerSupply::OnBattery(255)).batteryPercent);
    EXPECT_EQ(With(sim::PowerSupply::OnBattery(255)).source, PowerSource::Battery);
    EXPECT_EQ(With({255, 255, 255, false}).source, PowerSource::Unknown);
    EXPECT_EQ(With({255, 128, 255, false}).source, PowerSource::NoBattery);
    EXPECT_EQ(With({0, 1, 50, true}).source, PowerSource::Unknown);
}

}  // namespace
