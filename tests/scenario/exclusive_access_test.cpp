// The run keeps each drive to itself where the system can lock one: the
// system's media polling stops at a locked drive, and a drive another
// program holds is not flashed.
#include "scenario_fixture.h"
#include "src/drive/exclusive_access.h"
#include "src/platform/cdrom_exclusive.h"

#include <cstring>

namespace scenario {
namespace {

constexpr std::uint8_t kEventStatusOp = 0x4A;

bool IsStop(const std::array<std::uint8_t, 12>& cdb) { return cdb[0] == kStartStopOp && (cdb[4] & 0x01) == 0; }

bool IsCommit(const std::array<std::uint8_t, 12>& cdb) {
    return cdb[0] == kWriteBufferOp && wire::IsCommitControl(cdb[wire::kWriteBufferControlByte]);
}

class ExclusiveAccessTest : public ScenarioTest {
protected:
    void SetUp() override {
        ScenarioTest::SetUp();
        package.Setting(pkg::kRebootOffset, "REBOOT=0");
        machine.SetMediaPolling(true);
    }

    // The next drive, on a system that knows the lock; `holder` already
    // holds it when not empty.
    std::shared_ptr<vdrive::Drive> AddLockableDrive(const std::string& holder = "") {
        auto drive = AddDrive();
        const char letter = static_cast<char>('D' + drives.size() - 1);
        machine.ConfigureCdrom(letter, [&holder](sim::CdromDevice& d) {
            d.exclusiveAccess = true;
            d.lockedBy = holder;
        });
        return drive;
    }

    // Readiness and media polls that reached the drive after its STOP and
    // before its commit.
    static int ForeignCommandsBetweenStopAndCommit(const vdrive::Drive& drive) {
        const auto blocks = drive.CommandBlocks();
        const auto stop = std::ranges::find_if(blocks, IsStop);
        const auto commit = std::find_if(stop, blocks.end(), IsCommit);
        EXPECT_NE(commit, blocks.end()) << "no commit after the STOP";
        return static_cast<int>(std::count_if(stop, commit, [](const auto& cdb) {
            return cdb[0] == kTestUnitReadyOp || cdb[0] == kEventStatusOp;
        }));
    }
};

}  // namespace

TEST_F(ExclusiveAccessTest, NoPollReachesALockedDriveBetweenItsStopAndItsCommit) {
    AddLockableDrive();
    Launch();
    // The user reads the window a while: the system polls the free drive.
    machine.AdvanceSeconds(3.0);
    // The flash takes seconds of machine time: the system polls meanwhile.
    window->cmdUpdate.Click();
    RunLoop();

    ExpectFlashed(*drives[0]);
    EXPECT_GT(CountOpcode(*drives[0], kEventStatusOp), 0) << "the system polled the drive while it was free";
    EXPECT_EQ(ForeignCommandsBetweenStopAndCommit(*drives[0]), 0);
    EXPECT_EQ(machine.ExclusiveHolder('D'), "") << "unlocked at the end of the run";
    int locks = 0;
    for (const auto& ioctl : machine.Ioctls()) {
        if (ioctl.code != cdrom::kIoctlExclusiveAccess || ioctl.in.size() != sizeof(cdrom::ExclusiveLock)) continue;
        cdrom::ExclusiveLock lock;
        std::memcpy(&lock, ioctl.in.data(), sizeof lock);
        if (lock.access.requestType != cdrom::kLockDevice) continue;
        ++locks;
        EXPECT_STREQ(reinterpret_cast<const char*>(lock.callerName), kExclusiveCallerName);
        EXPECT_TRUE(ioctl.succeeded);
    }
    EXPECT_EQ(locks, 1);
}

TEST_F(ExclusiveAccessTest, DriveAnotherProgramHoldsFailsBeforeAnythingIsWritten) {
    AddLockableDrive("DiscBurner");
    Launch();
    window->cmdUpdate.Click();
    RunLoop();

    EXPECT_EQ(DialogTexts(),
              (std::vector<std::string>{kNoticeText,
                                        "The drive D: is in use by another program (DiscBurner) and will not be "
                                        "updated.\nClose that program and run the update again.",
                                        kFailureText}));
    ExpectUntouched(*drives[0]);
    EXPECT_EQ(CountOpcode(*drives[0], kStartStopOp), 0);
    EXPECT_EQ(machine.ExclusiveHolder('D'), "DiscBurner") << "their lock is left alone";
}

TEST_F(ExclusiveAccessTest, LockIsGivenBackWhenTheFlashFails) {
    AddLockableDrive();
    Launch();
    vdrive::DriveConfig failing;
    failing.faults.push_back({vdrive::CommandKind::Commit, 1, 0});
    ReplaceDrive(0, failing);
    window->cmdUpdate.Click();
    RunLoop();

    EXPECT_EQ(DialogTexts().back(), kFailureText);
    EXPECT_EQ(machine.ExclusiveHolder('D'), "");
}

// Before Vista there is no lock: the drive is flashed shared, as always.
TEST_F(ExclusiveAccessTest, WithoutTheLockRequestTheDriveIsFlashedShared) {
    AddDrive();
    Launch();
    window->cmdUpdate.Click();
    RunLoop();

    ExpectFlashed(*drives[0]);
    EXPECT_EQ(DialogTexts().back(), kSuccessText);
}

}  // namespace scenario
