// The stopwatch on the virtual clock (which moves 1 us per counter read) and
// on a platform without a high-resolution counter.
#include <gtest/gtest.h>

#include "sim/winsim/machine.h"
#include "src/drive/stopwatch.h"

namespace {

class StopwatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        m.Reset();
        m.SetClockMode(sim::ClockMode::Virtual);
    }
    void TearDown() override { m.Reset(); }
    sim::Machine& m = sim::machine();
};

}  // namespace

TEST_F(StopwatchTest, RunsAccumulateUntilReset) {
    Stopwatch watch;
    watch.Start(true);
    Sleep(1500);
    EXPECT_NEAR(watch.ElapsedSinceStart(), 1.5, 1e-4);
    watch.Stop();
    EXPECT_NEAR(watch.Elapsed(), 1.5, 1e-4);
    EXPECT_EQ(watch.ElapsedSinceStart(), 0.0) << "not running";

    watch.Start(false);
    Sleep(500);
    EXPECT_NEAR(watch.ElapsedSinceStart(), 0.5, 1e-4) << "only the current run";
    watch.Stop();
    EXPECT_NEAR(watch.Elapsed(), 2.0, 1e-4);

    watch.Start(true);
    Sleep(250);
    watch.Stop();
    EXPECT_NEAR(watch.Elapsed(), 0.25, 1e-4);
    watch.Reset();
    EXPECT_EQ(watch.Elapsed(), 0.0);
}

TEST_F(StopwatchTest, CalibratedOverheadIsTakenOffEveryRun) {
    Stopwatch watch;
    watch.Start(true);
    watch.Stop();
    // The empty run costs what the calibration measured, so it reads ~0.
    EXPECT_NEAR(watch.Elapsed(), 0.0, 2e-6);
}

TEST_F(StopwatchTest, WithoutCounterEveryReadingIsZero) {
    m.SetClockMode(sim::ClockMode::NoCounter);
    Stopwatch watch;
    EXPECT_TRUE(watch.Unavailable());
    watch.Start(true);
    Sleep(1000);
    EXPECT_EQ(watch.ElapsedSinceStart(), 0.0);
    watch.Stop();
    EXPECT_EQ(watch.Elapsed(), 0.0);
}
