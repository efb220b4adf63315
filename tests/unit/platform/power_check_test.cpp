// The verdict on the machine's power before a flash, for both editions.
#include "src/platform/power_check.h"

#include <gtest/gtest.h>

namespace {

PowerState OnBattery(std::optional<int> percent) { return {PowerSource::Battery, percent}; }

TEST(PowerCheckTest, OnBatteryBelowTheThresholdRefusesAndSaysWhatToDo) {
    const PowerJudgement low = JudgePower(OnBattery(5));
    EXPECT_EQ(low.verdict, PowerVerdict::Refuse);
    EXPECT_NE(low.text.find("5 %"), std::string::npos) << low.text;
    EXPECT_NE(low.text.find("adapter"), std::string::npos) << low.text;
    EXPECT_EQ(JudgePower(OnBattery(0)).verdict, PowerVerdict::Refuse);
    EXPECT_EQ(JudgePower(OnBattery(kMinimumBatteryPercent - 1)).verdict, PowerVerdict::Refuse);
}

TEST(PowerCheckTest, OnBatteryAtOrAboveTheThresholdWarns) {
    EXPECT_EQ(JudgePower(OnBattery(kMinimumBatteryPercent)).verdict, PowerVerdict::Warn);
    const PowerJudgement half = JudgePower(OnBattery(57));
    EXPECT_EQ(half.verdict, PowerVerdict::Warn);
    EXPECT_NE(half.text.find("57 %"), std::string::npos) << half.text;
}

// A gauge that does not report must not lock the machine out, but the user
// still hears that it runs on battery.
TEST(PowerCheckTest, OnBatteryOfUnknownLevelWarns) {
    const PowerJudgement unknown = JudgePower(OnBattery(std::nullopt));
    EXPECT_EQ(unknown.verdict, PowerVerdict::Warn);
    EXPECT_NE(unknown.text.find("level unknown"), std::string::npos) << unknown.text;
}

TEST(PowerCheckTest, MainsNoBatteryAndUnknownGoAheadWhateverTheLevel) {
    EXPECT_EQ(JudgePower({PowerSource::Mains, 3}).verdict, PowerVerdict::Go);
    EXPECT_EQ(JudgePower({PowerSource::NoBattery, std::nullopt}).verdict, PowerVerdict::Go);
    EXPECT_EQ(JudgePower({PowerSource::Unknown, 2}).verdict, PowerVerdict::Go);
    EXPECT_TRUE(JudgePower({PowerSource::Mains, 3}).text.empty());
}

TEST(PowerCheckTest, StateTextsForTheLog) {
    EXPECT_EQ(PowerStateText(OnBattery(57)), "on battery (57 %)");
    EXPECT_EQ(PowerStateText(OnBattery(std::nullopt)), "on battery (level unknown)");
    EXPECT_EQ(PowerStateText({PowerSource::Mains, 100}), "on mains power");
    EXPECT_EQ(PowerStateText({PowerSource::NoBattery, std::nullopt}), "no battery");
    EXPECT_EQ(PowerStateText({}), "unknown");
}

}  // namespace
