// The logind inhibitor lock: asked for in block mode for the whole set of
// things that could take the machine down, held as long as the lock object
// lives, and a warning (not a refusal) where logind cannot be reached.
#include <gtest/gtest.h>
#include <poll.h>

#include <cstdlib>

#include "linux/inhibitor.h"
#include "tests/linux/support/fake_logind.h"
#include "tests/linux/support/updater_files.h"

namespace {

// True once every copy of the lock's descriptor has been closed.
bool Released(int readEnd) {
    pollfd p{readEnd, POLLIN, 0};
    return poll(&p, 1, 200) == 1 && (p.revents & POLLHUP) != 0;
}

class InhibitorTest : public ::testing::Test {
protected:
    void TearDown() override { unsetenv("DBUS_SYSTEM_BUS_ADDRESS"); }
    sgsim::ScratchDir dir;
};

TEST_F(InhibitorTest, TakesABlockingLockForShutdownSleepIdleKeysAndLidAndHoldsItUntilDropped) {
    sgsim::FakeLogind logind(dir.Path(), true);
    if (!logind.Available()) GTEST_SKIP() << "SKIPPED LOUDLY: dbus-daemon could not be started for the fake logind";
    setenv("DBUS_SYSTEM_BUS_ADDRESS", logind.Address().c_str(), 1);
    {
        nflash::Inhibition inhibition = nflash::TakeInhibitorLock("Flashing /dev/sg0");
        ASSERT_TRUE(inhibition.lock.has_value()) << inhibition.warning;
        const std::vector<sgsim::InhibitCall> calls = logind.Calls();
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].what,
                  "shutdown:sleep:idle:handle-power-key:handle-suspend-key:handle-hibernate-key:handle-lid-switch:"
                  "handle-reboot-key");
        EXPECT_EQ(calls[0].who, "norvek-flash");
        EXPECT_EQ(calls[0].why, "Flashing /dev/sg0");
        EXPECT_EQ(calls[0].mode, "block");
        EXPECT_FALSE(Released(calls[0].lockReadEnd));
    }
    EXPECT_TRUE(Released(logind.Calls().at(0).lockReadEnd));
}

// logind before version 251 knows no reboot key and refuses the whole
// request for it: the lock is asked again without it.
TEST_F(InhibitorTest, AnOlderLogindWithoutTheRebootKeyStillGivesTheLock) {
    sgsim::FakeLogind logind(dir.Path(), true, "handle-reboot-key");
    if (!logind.Available()) GTEST_SKIP() << "SKIPPED LOUDLY: dbus-daemon could not be started for the fake logind";
    setenv("DBUS_SYSTEM_BUS_ADDRESS", logind.Address().c_str(), 1);
    const nflash::Inhibition inhibition = nflash::TakeInhibitorLock("why");
    ASSERT_TRUE(inhibition.lock.has_value()) << inhibition.warning;
    const std::vector<sgsim::InhibitCall> calls = logind.Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].what,
              "shutdown:sleep:idle:handle-power-key:handle-suspend-key:handle-hibernate-key:handle-lid-switch");
}

TEST_F(InhibitorTest, WithoutLogindOnTheBusItWarnsAndGoesOn) {
    sgsim::FakeLogind bus(dir.Path(), false);
    if (!bus.Available()) GTEST_SKIP() << "SKIPPED LOUDLY: dbus-daemon could not be started";
    setenv("DBUS_SYSTEM_BUS_ADDRESS", bus.Address().c_str(), 1);
    const nflash::Inhibition inhibition = nflash::TakeInhibitorLock("why");
    EXPECT_FALSE(inhibition.lock.has_value());
    EXPECT_NE(inhibition.warning.find("no inhibitor lock (logind:"), std::string::npos) << inhibition.warning;
}

TEST_F(InhibitorTest, WithoutASystemBusItWarnsAndGoesOn) {
    setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + (dir / "no-socket").string()).c_str(), 1);
    const nflash::Inhibition inhibition = nflash::TakeInhibitorLock("why");
    EXPECT_FALSE(inhibition.lock.has_value());
    EXPECT_NE(inhibition.warning.find("cannot reach the system bus"), std::string::npos) << inhibition.warning;
}

}  // namespace
