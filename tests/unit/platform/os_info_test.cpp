// The platform family and the computer restart, against the simulated machine.
#include <gtest/gtest.h>

#include "sim/winsim/machine.h"
#include "src/platform/os_info.h"
#include "src/platform/win32.h"

namespace {

class OsInfoTest : public ::testing::Test {
protected:
    void SetUp() override { m.Reset(); }
    void TearDown() override { m.Reset(); }

    sim::Machine& m = sim::machine();
};

constexpr UINT kRebootForced = EWX_REBOOT | EWX_FORCE;

TEST_F(OsInfoTest, FamilyFollowsThePlatformIdAndAFailedQueryCountsAsNt) {
    m.SetPlatform(sim::Platform::Nt);
    EXPECT_EQ(OsInfo().IsNtFamily(), 1);
    m.SetPlatform(sim::Platform::Older);
    EXPECT_EQ(OsInfo().IsNtFamily(), 0);
    m.SetPlatform(sim::Platform::VersionQueryFails);
    EXPECT_EQ(OsInfo().IsNtFamily(), 1);
}

TEST_F(OsInfoTest, NtRestartEnablesTheShutdownPrivilegeThenAsksForAForcedReboot) {
    m.SetPlatform(sim::Platform::Nt);
    EXPECT_TRUE(OsInfo().Restart());

    const sim::PrivilegeLog log = m.Privileges();
    EXPECT_EQ(log.tokensOpened, 1);
    EXPECT_EQ(log.lastTokenAccess, DWORD{TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY});
    EXPECT_TRUE(log.shutdownEnabled);
    EXPECT_EQ(m.OpenHandles(sim::HandleKind::Token), 0);
    const auto exits = m.ExitRequests();
    ASSERT_EQ(exits.size(), 1u);
    EXPECT_EQ(exits[0].flags, kRebootForced);
    EXPECT_EQ(exits[0].reason, 0u);
    EXPECT_TRUE(exits[0].accepted);
}

TEST_F(OsInfoTest, OlderFamilyRestartsDirectlyWithoutAToken) {
    m.SetPlatform(sim::Platform::Older);
    EXPECT_TRUE(OsInfo().Restart());

    EXPECT_EQ(m.Privileges().tokensOpened, 0);
    EXPECT_EQ(m.Privileges().adjustments, 0);
    const auto exits = m.ExitRequests();
    ASSERT_EQ(exits.size(), 1u);
    EXPECT_EQ(exits[0].flags, kRebootForced);
}

TEST_F(OsInfoTest, ExitSystemAlwaysAddsForce) {
    m.SetPlatform(sim::Platform::Older);
    EXPECT_TRUE(OsInfo().ExitSystem(EWX_LOGOFF));
    const auto exits = m.ExitRequests();
    ASSERT_EQ(exits.size(), 1u);
    EXPECT_EQ(exits[0].flags, UINT{EWX_LOGOFF | EWX_FORCE});
}

TEST_F(OsInfoTest, PrivilegeNotHeldRefusesTheRestartBeforeAskingWindows) {
    m.SetPlatform(sim::Platform::Nt);
    m.SetShutdownPrivilegeHeld(false);
    EXPECT_FALSE(OsInfo().Restart());

    // The adjustment itself reported success; only ERROR_NOT_ALL_ASSIGNED told.
    EXPECT_EQ(m.Privileges().adjustments, 1);
    EXPECT_FALSE(m.Privileges().shutdownEnabled);
    EXPECT_TRUE(m.ExitRequests().empty());
    EXPECT_EQ(m.OpenHandles(sim::HandleKind::Token), 0);
}

TEST_F(OsInfoTest, TokenOrLookupFailureRefusesTheRestart) {
    m.SetPlatform(sim::Platform::Nt);
    m.SetOpenProcessTokenFails(true);
    EXPECT_FALSE(OsInfo().Restart());
    EXPECT_EQ(m.Privileges().lookups, 0);

    m.SetOpenProcessTokenFails(false);
    m.SetLookupPrivilegeFails(true);
    EXPECT_FALSE(OsInfo().Restart());
    EXPECT_EQ(m.Privileges().adjustments, 0);
    EXPECT_TRUE(m.ExitRequests().empty());
    EXPECT_EQ(m.OpenHandles(sim::HandleKind::Token), 0);
}

TEST_F(OsInfoTest, RefusedExitIsReportedOnBothFamilies) {
    m.SetExitWindowsFails(true);
    m.SetPlatform(sim::Platform::Nt);
    EXPECT_FALSE(OsInfo().Restart());
    m.SetPlatform(sim::Platform::Older);
    EXPECT_FALSE(OsInfo().Restart());
    EXPECT_EQ(m.ExitRequests().size(), 2u);
}

}  // namespace
