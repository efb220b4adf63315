// One copy at a time: the named mutex on both platform families. The
// simulated machine is one process, so a second claim stands for the second
// copy started while the first runs.
#include <gtest/gtest.h>

#include "sim/winsim/machine.h"
#include "src/app/single_instance.h"

namespace {

class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override { sim::machine().Reset(); }
    void TearDown() override { sim::machine().Reset(); }
};

}  // namespace

TEST_F(SingleInstanceTest, SecondCopyIsRefusedUnderTheGlobalName) {
    EXPECT_TRUE(ClaimSingleInstance());
    EXPECT_FALSE(ClaimSingleInstance());
    EXPECT_EQ(sim::machine().MutexNames(),
              std::vector<std::string>{"Global\\NorvekFirmwareUpdater.Running"});
}

// The older family and NT4 have no kernel namespaces: both prefixed names are
// refused, and the plain name must still find the other copy.
TEST_F(SingleInstanceTest, SecondCopyIsRefusedWhereNamesCannotHaveAPrefix) {
    sim::machine().SetPlatform(sim::Platform::Older);
    EXPECT_TRUE(ClaimSingleInstance());
    EXPECT_FALSE(ClaimSingleInstance());
    EXPECT_EQ(sim::machine().MutexNames(), std::vector<std::string>{"NorvekFirmwareUpdater.Running"});
}

TEST_F(SingleInstanceTest, NtWithoutNamespacesUsesThePlainNameToo) {
    sim::machine().SetKernelNamespaces(false);
    EXPECT_TRUE(ClaimSingleInstance());
    EXPECT_FALSE(ClaimSingleInstance());
}
