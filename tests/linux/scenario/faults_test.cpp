// The flash procedure's fault matrix through the SG_IO transport: every
// failure ends without a commit of an unverified image, and the run says so.
#include "linux_run.h"

namespace linuxrun {
namespace {

using nflash::DriveResult;
using nflash::ExitCode;

vdrive::CommandFault Fault(vdrive::CommandKind kind, int nth, int count, vdrive::FaultEffect effect) {
    vdrive::CommandFault fault;
    fault.kind = kind;
    fault.nth = nth;
    fault.count = count;
    fault.effect = effect;
    return fault;
}

class FaultRun : public LinuxRun {
protected:
    nflash::RunReport FlashWith(const std::function<void(vdrive::DriveConfig&)>& configure) {
        aspidll::Scenario scenario = DemoScenario();
        configure(scenario.drives[0].config);
        Machine(scenario);
        return Run({"flash", "--yes", "--test-loaders"});
    }
    const nflash::DriveReport& Drive0(const nflash::RunReport& r) { return r.drives.at(0); }
};

TEST_F(FaultRun, ABadReadBackInOnePassIsWrittenAgainInTheNext) {
    const auto report = FlashWith([](vdrive::DriveConfig& c) { c.readBackFaults.push_back({5, 1}); });
    EXPECT_EQ(report.code, ExitCode::Success);
    EXPECT_EQ(Drive0(report).passes, 2);
    EXPECT_EQ(drives[0]->FlashContents(), sgsim::DemoImage());
}

TEST_F(FaultRun, ThreeBadPassesCommitNothing) {
    const auto report = FlashWith([](vdrive::DriveConfig& c) { c.readBackFaults.push_back({63, 0}); });
    EXPECT_EQ(report.code, ExitCode::DriveFailed);
    EXPECT_EQ(Drive0(report).result, DriveResult::Failed);
    EXPECT_EQ(drives[0]->CommitCount(), 0);
    EXPECT_EQ(drives[0]->Revision(), "1.02");
    EXPECT_NE(Drive0(report).error.find("not written and verified in 3 passes"), std::string::npos)
        << Drive0(report).error;
    EXPECT_NE(Drive0(report).error.find("nothing was committed"), std::string::npos);
}

TEST_F(FaultRun, ARefusedCommitFailsTheDriveWithTheDrivesSense) {
    const auto report = FlashWith([](vdrive::DriveConfig& c) {
        c.faults.push_back(Fault(vdrive::CommandKind::Commit, 1, 0, vdrive::FaultEffect::CheckCondition));
    });
    EXPECT_EQ(report.code, ExitCode::DriveFailed);
    EXPECT_NE(Drive0(report).error.find("refused the commit"), std::string::npos) << Drive0(report).error;
    EXPECT_NE(Drive0(report).error.find("Hardware Error"), std::string::npos) << Drive0(report).error;
}

TEST_F(FaultRun, ABusyDriveRefusingTheCommitIsNoUpdate) {
    const auto report = FlashWith([](vdrive::DriveConfig& c) {
        c.faults.push_back(Fault(vdrive::CommandKind::Commit, 1, 0, vdrive::FaultEffect::Busy));
    });
    EXPECT_EQ(report.code, ExitCode::DriveFailed);
    EXPECT_EQ(drives[0]->CommitCount(), 0);
}

TEST_F(FaultRun, APieceWithoutAnAnswerIsSentOnceMoreAndTheFlashGoesOn) {
    const auto report = FlashWith([](vdrive::DriveConfig& c) {
        c.faults.push_back(Fault(vdrive::CommandKind::ImageWrite, 3, 1, vdrive::FaultEffect::NotDelivered));
    });
    EXPECT_EQ(report.code, ExitCode::Success) << Drive0(report).error;
    EXPECT_EQ(Drive0(report).passes, 1);  // the retry, not a new pass
}

TEST_F(FaultRun, AChipOutsideTheTableGetsNoLoaderAndTheDriveRefusesTheImage) {
    const auto report = FlashWith([](vdrive::DriveConfig& c) { c.chipId = {0xBF, 0xD6, 0x00, 0x00}; });
    EXPECT_EQ(report.code, ExitCode::DriveFailed);
    EXPECT_FALSE(drives[0]->LoaderAccepted());
    EXPECT_EQ(drives[0]->CommitCount(), 0);
}

TEST_F(FaultRun, ADriveThatNeverAnswersAgainAfterItsCommitIsReportedFailed) {
    answerWaitSeconds = 1;
    const auto report = FlashWith([](vdrive::DriveConfig& c) { c.vanishAfterCommit = true; });
    EXPECT_EQ(report.code, ExitCode::DriveFailed);
    EXPECT_EQ(drives[0]->CommitCount(), 1);
    EXPECT_NE(Drive0(report).error.find("did not answer again"), std::string::npos) << Drive0(report).error;
}

TEST_F(FaultRun, AUnitAttentionAfterTheCommitStillGivesTheNewRevision) {
    const auto report = FlashWith([](vdrive::DriveConfig& c) { c.unitAttentionAfterCommit = true; });
    EXPECT_EQ(report.code, ExitCode::Success) << Drive0(report).error;
    EXPECT_EQ(Drive0(report).after->revision, "1.05");
}

TEST_F(FaultRun, OneFailedDriveAmongOthersFailsTheRunButNotTheOthers) {
    aspidll::Scenario scenario;
    scenario.drives = {Velmora("1.00", 0), Velmora("1.01", 1), Velmora("1.02", 2)};
    scenario.drives[1].config.readBackFaults.push_back({0, 0});
    Machine(scenario);
    const auto report = Run({"flash", "--all-matched", "--yes", "--test-loaders"});
    EXPECT_EQ(report.code, ExitCode::DriveFailed);
    EXPECT_EQ(report.drives[0].result, DriveResult::Flashed);
    EXPECT_EQ(report.drives[1].result, DriveResult::Failed);
    EXPECT_EQ(report.drives[2].result, DriveResult::Flashed);
}

}  // namespace
}  // namespace linuxrun
