// Holding the drives of a flash: every candidate's nodes opened exclusively,
// or none at all.
#include "linux/held_drives.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <sstream>

#include "tests/linux/support/vdrive_sg_system.h"

namespace {

class HeldDrivesTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < 2; ++i) {
            nflash::DriveReport r;
            r.drive.sgPath = "/dev/sg" + std::to_string(i);
            r.drive.srPath = "/dev/sr" + std::to_string(i);
            auto drive = std::make_shared<vdrive::Drive>(vdrive::DriveConfig{});
            system.AddNode(r.drive.sgPath.string(), drive, i);
            system.AddNode(r.drive.srPath.string(), drive, i);
            drives.push_back(r);
        }
    }

    nflash::HeldDrives Hold() {
        nflash::ProgramContext context{nflash::SystemPaths{"/nonexistent/sys", "/nonexistent/dev", "/nonexistent/proc"},
                                       system, in, out, out, -1, false, control, nullptr};
        return nflash::HoldForFlash(drives, {0, 1}, context);
    }

    // Whether another program could take the node exclusively now.
    bool Free(const std::string& node) {
        const int fd = system.Open(node.c_str(), O_RDWR | O_EXCL);
        if (fd < 0) return false;
        system.Close(fd);
        return true;
    }

    sgsim::VdriveSgSystem system;
    std::vector<nflash::DriveReport> drives;
    std::istringstream in;
    std::ostringstream out;
    nflash::RunControl control;
};

TEST_F(HeldDrivesTest, EveryCandidatesCommandNodeAndBlockNodeAreHeldUntilTheHoldEnds) {
    {
        const nflash::HeldDrives held = Hold();
        ASSERT_TRUE(held.problems.empty()) << held.problems[0];
        EXPECT_EQ(held.drives.size(), 2u);
        for (const char* node : {"/dev/sg0", "/dev/sr0", "/dev/sg1", "/dev/sr1"}) EXPECT_FALSE(Free(node)) << node;
    }
    for (const char* node : {"/dev/sg0", "/dev/sr0", "/dev/sg1", "/dev/sr1"}) EXPECT_TRUE(Free(node)) << node;
}

TEST_F(HeldDrivesTest, ADriveThatCannotBeHeldLetsTheOthersGoAndSaysWhy) {
    system.FailOpen("/dev/sr1", ENODEV);
    const nflash::HeldDrives held = Hold();
    EXPECT_TRUE(held.drives.empty());
    ASSERT_EQ(held.problems.size(), 1u);
    EXPECT_EQ(held.problems[0], "cannot open /dev/sg1 (/dev/sr1): No such device");
    EXPECT_TRUE(Free("/dev/sg0")) << "a refused run must not keep the drive it could hold";
    EXPECT_TRUE(Free("/dev/sr0"));
}

}  // namespace
