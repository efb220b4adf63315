// The logind inhibitor lock over a whole flash, with a stand-in logind on a
// private bus: held at every command from the first that changes a drive
// until the last drive has answered again after its commit, and released
// once the run is over.
#include <poll.h>

#include <cstdlib>
#include <mutex>

#include "linux_run.h"
#include "tests/linux/support/fake_logind.h"

namespace linuxrun {
namespace {

// Whether the lock's descriptor is still open somewhere: its pipe's read
// end hangs up once every copy is closed.
bool Held(int readEnd, int waitMs = 0) {
    pollfd p{readEnd, POLLIN, 0};
    return poll(&p, 1, waitMs) == 0;
}

class InhibitedRun : public LinuxRun {
protected:
    void TearDown() override {
        unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
        LinuxRun::TearDown();
    }
};

TEST_F(InhibitedRun, TheLockIsHeldUntilTheLastDriveHasEndedAndReleasedAfter) {
    sgsim::FakeLogind logind(dir.Path(), true);
    if (!logind.Available()) GTEST_SKIP() << "SKIPPED LOUDLY: dbus-daemon could not be started for the fake logind";
    setenv("DBUS_SYSTEM_BUS_ADDRESS", logind.Address().c_str(), 1);

    scenariofile::Scenario scenario;
    scenario.drives = {Velmora("1.00", 0), Velmora("1.01", 1)};
    // Drive 1 reads back slowly: it is still being flashed well after drive
    // 0 has committed and answered again.
    scenario.drives[1].config.latencies.push_back({vdrive::CommandKind::ReadBack, 0.003});
    Machine(scenario);
    system.SetRealTime(true);

    std::mutex mutex;
    bool changing = false;
    std::size_t checked = 0;
    std::vector<std::string> unguarded;
    int lastDrive = -1;
    system.OnCommand([&](const sgsim::ServedCommand& c) {
        std::lock_guard lock(mutex);
        changing = changing || c.header->cmdp[0] == 0x1B;
        if (!changing) return;
        const std::vector<sgsim::InhibitCall> calls = logind.Calls();
        ++checked;
        lastDrive = c.driveIndex;
        if (calls.size() != 1 || !Held(calls[0].lockReadEnd)) {
            char line[64];
            std::snprintf(line, sizeof line, "drive %d, command %02x", c.driveIndex, c.header->cmdp[0]);
            unguarded.push_back(line);
        }
    });
    const nflash::RunReport report = Run({"flash", "--all-matched", "--yes", "--test-loaders"});

    ASSERT_EQ(nflash::Code(report.code), 0) << err.str();
    EXPECT_EQ(err.str().find("no inhibitor lock"), std::string::npos) << err.str();
    EXPECT_GT(checked, 2u * (3 + 2 * 64 + 1)) << "every command from the STOP on, of both drives";
    EXPECT_EQ(lastDrive, 1) << "the slow drive ends last";
    EXPECT_TRUE(unguarded.empty()) << unguarded.size() << " commands without the lock, the first "
                                   << (unguarded.empty() ? "" : unguarded.front()) << ", the last "
                                   << (unguarded.empty() ? "" : unguarded.back());
    const std::vector<sgsim::InhibitCall> calls = logind.Calls();
    ASSERT_EQ(calls.size(), 1u) << "one lock for the whole run";
    EXPECT_EQ(calls[0].mode, "block");
    EXPECT_FALSE(Held(calls[0].lockReadEnd, 1000)) << "the lock outlived the run";
}

}  // namespace
}  // namespace linuxrun
