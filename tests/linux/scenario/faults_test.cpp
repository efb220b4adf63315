// The flash procedure's fault matrix through the SG_IO transport: every
// failure ends without a commit of an unverified image, and the run says so.
#include <nlohmann/json.hpp>

#include "linux/report_json.h"
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
        scenariofile::Scenario scenario = DemoScenario();
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

// The SG_IO residual says the read-back came up short; the zeroed tail of
// the read buffer would compare equal with the image's zero tail, so only
// the count can tell.
TEST_F(FaultRun, AReadBackShortOfThePieceFailsItThoughTheMissingTailWouldCompareEqual) {
    constexpr std::uint32_t kMissing = 256;
    updater = sgsim::DemoUpdaterWith(dir.Path(), sgsim::DemoImageWithZeroTails(kMissing), {});
    const auto report = FlashWith([](vdrive::DriveConfig& c) {
        c.shortReplies.push_back({vdrive::CommandKind::ReadBack, wire::kPieceSize - kMissing});
    });
    EXPECT_EQ(report.code, ExitCode::DriveFailed);
    EXPECT_EQ(Drive0(report).passes, 3);
    EXPECT_EQ(drives[0]->CommitCount(), 0);
    EXPECT_NE(Drive0(report).error.find("16128 of 16384 bytes"), std::string::npos) << Drive0(report).error;
}

// The drive answers again after its commit, but with its old revision: the
// flash did not take, and the run must not call it done.
TEST_F(FaultRun, ADriveStillAtItsOldRevisionAfterTheCommitIsItsOwnOutcome) {
    const auto report = FlashWith([](vdrive::DriveConfig& c) { c.newRevision = "1.02"; });
    EXPECT_EQ(report.code, ExitCode::RevisionMismatch);
    EXPECT_EQ(Drive0(report).result, DriveResult::RevisionMismatch);
    EXPECT_EQ(drives[0]->CommitCount(), 1);
    EXPECT_NE(out.str().find("flashed, but the drive reports 1.02, expected 1.05: power it off and on, then run list"),
              std::string::npos)
        << out.str();
    EXPECT_EQ(out.str().find("flashed and verified"), std::string::npos) << out.str();
    const nlohmann::json json = nflash::ReportJson(report);
    EXPECT_EQ(json["exitCode"], 6);
    EXPECT_EQ(json["drives"][0]["outcome"]["result"], "revision-mismatch");
    EXPECT_EQ(json["drives"][0]["outcome"]["expectedRevision"], "1.05");
}

// A drive that fails after a mismatched one still makes the run a failure:
// the codes follow one precedence, failed before mismatch before cancelled.
TEST_F(FaultRun, AFailedDriveOutranksAMismatchedOne) {
    scenariofile::Scenario scenario;
    scenario.drives = {Velmora("1.00", 0), Velmora("1.01", 1)};
    scenario.drives[0].config.newRevision = "1.01";
    scenario.drives[1].config.readBackFaults.push_back({0, 0});
    Machine(scenario);
    const auto report = Run({"flash", "--all-matched", "--yes", "--test-loaders"});
    EXPECT_EQ(report.drives[0].result, DriveResult::RevisionMismatch);
    EXPECT_EQ(report.drives[1].result, DriveResult::Failed);
    EXPECT_EQ(report.code, ExitCode::DriveFailed);
}

// After its commit the kernel drops the drive and adds it again under a new
// sg node; the old descriptor gets no answer. The run finds it again at its
// address, reads its new revision there, and asks the kernel to rescan it.
TEST_F(FaultRun, ADriveBackUnderANewNodeIsFoundAgainByAddressAndRescanned) {
    scenariofile::Scenario scenario = DemoScenario();
    scenario.drives[0].config.vanishAfterCommit = true;
    Machine(scenario);
    vdrive::DriveConfig reborn = scenario.drives[0].config;
    reborn.vanishAfterCommit = false;
    reborn.revision = "1.05";
    auto again = std::make_shared<vdrive::Drive>(reborn);
    system.OnCommand([&](const sgsim::ServedCommand& served) {
        if (served.driveIndex != 0 || served.header->cmdp[0] != 0x3B || served.header->cmdp[9] != 0xA0) return;
        machine->MoveSgNode(0, 7);
        system.AddNode(machine->SgNode(7).string(), again, 0);
    });
    const auto report = Run({"flash", "--yes", "--test-loaders"});
    EXPECT_EQ(report.code, ExitCode::Success) << Drive0(report).error;
    EXPECT_EQ(Drive0(report).after->revision, "1.05");
    EXPECT_EQ(Drive0(report).movedTo, machine->SgNode(7).string());
    EXPECT_NE(out.str().find("; it answers as " + machine->SgNode(7).string() + " now"), std::string::npos) << out.str();
    EXPECT_EQ(sgsim::ReadText(machine->Sys() / "bus/scsi/devices/0:0:0:0/rescan"), "1\n");
    EXPECT_NE(LogText().find("rescan 0:0:0:0"), std::string::npos);
}

// A drive that answers under its old node is rescanned too.
TEST_F(FaultRun, AFlashedDriveIsRescannedSoSysfsShowsItsNewIdentity) {
    const auto report = FlashWith([](vdrive::DriveConfig&) {});
    EXPECT_EQ(report.code, ExitCode::Success);
    EXPECT_EQ(sgsim::ReadText(machine->Sys() / "bus/scsi/devices/0:0:0:0/rescan"), "1\n");
    EXPECT_EQ(sgsim::ReadText(machine->Sys() / "bus/scsi/devices/1:0:0:0/rescan"), "");
}

TEST_F(FaultRun, OneFailedDriveAmongOthersFailsTheRunButNotTheOthers) {
    scenariofile::Scenario scenario;
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
