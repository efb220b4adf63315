// norvek.exe /quiet on the simulated machine: the same run as the window's,
// with no window, no dialog and no message box, its outcome in the exit
// code, the run log and the report.
#include <filesystem>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "scenario_fixture.h"
#include "src/app/run_log.h"
#include "src/app/unattended_run.h"

namespace scenario {
namespace {

using norvek::ExitCode;

vdrive::DriveConfig Empty() {
    vdrive::DriveConfig config;
    config.discPresent = false;
    return config;
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class UnattendedTest : public ScenarioTest {
protected:
    void SetUp() override {
        ScenarioTest::SetUp();
        folder = std::filesystem::path(::testing::TempDir()) /
                 ("unattended-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
    }

    void TearDown() override {
        SetProcessRunLog(nullptr);
        log.reset();
        ScenarioTest::TearDown();
        std::filesystem::remove_all(folder);
    }

    // The program started with /quiet (and /log:, /report: in the test's
    // folder): what main does after the one-copy check.
    ExitCode RunQuiet(bool noRestart = false) {
        Close();
        pkg::SetActivePackageForTesting(package.Data());
        app = std::make_unique<fw::TApplication>(std::make_unique<HeadlessLoop>());
        loop = static_cast<HeadlessLoop*>(&app->Loop());
        std::string problem;
        log = RunLog::Open((folder / "run.log").string(), problem);
        EXPECT_NE(log, nullptr) << problem;
        SetProcessRunLog(log.get());
        UnattendedRun run({noRestart, (folder / "report.json").string(), ""});
        const ExitCode code = run.Run();
        SetProcessRunLog(nullptr);
        return code;
    }

    std::string Log() const { return ReadFile(folder / "run.log"); }
    nlohmann::json Report() const { return nlohmann::json::parse(ReadFile(folder / "report.json")); }

    // Nothing was ever shown: no dialog of the framework, no platform box.
    void ExpectNothingShown() const {
        EXPECT_TRUE(loop->Dialogs().empty()) << loop->Dialogs().front().text;
        EXPECT_TRUE(machine.MessageBoxes().empty()) << machine.MessageBoxes().front().text;
    }

    static void ExpectNothingSent(const vdrive::Drive& drive) { EXPECT_TRUE(drive.CommandBlocks().empty()); }

    std::filesystem::path folder;
    std::unique_ptr<RunLog> log;
};

// The notice (WARNING 1 in the demo package) counts as accepted.
TEST_F(UnattendedTest, TwoDrivesAreFlashedInParallelWithNothingShown) {
    AddDrive();
    AddDrive();
    EXPECT_EQ(RunQuiet(), ExitCode::Success);
    ExpectNothingShown();
    for (const auto& drive : drives) ExpectFlashed(*drive);
    // Kept from sleeping for the flash, and let go after it.
    EXPECT_EQ(loop->RunStates(), (std::vector<bool>{true, false}));

    const std::string text = Log();
    EXPECT_NE(text.find("the package's notice counts as accepted"), std::string::npos);
    EXPECT_NE(text.find("identity D: 1-0-0-0: \"VELMORA \" \"DVDRW KTV-360R  \" \"1.00\""), std::string::npos) << text;
    EXPECT_NE(text.find("identity E: 1-0-1-0: \"VELMORA \" \"DVDRW KTV-360R  \" \"1.05\""), std::string::npos) << text;
    EXPECT_NE(text.find("command D: 1b0000000000000000000000 none 0 -> good"), std::string::npos) << text;
    EXPECT_NE(text.find("command E: 3b0501000000000000a00000 none 0 -> good"), std::string::npos) << text;
    EXPECT_NE(text.find("flash D: bank 1 image 1048576 bytes sha256 "), std::string::npos) << text;
    EXPECT_NE(text.find("result D: flashed"), std::string::npos);
    EXPECT_NE(text.find("result E: flashed"), std::string::npos);
    EXPECT_NE(text.find("exit code 0"), std::string::npos);

    const nlohmann::json report = Report();
    EXPECT_EQ(report["exitCode"], 0);
    ASSERT_EQ(report["drives"].size(), 2u);
    for (const auto& drive : report["drives"]) {
        EXPECT_EQ(drive["outcome"]["result"], "flashed");
        EXPECT_EQ(drive["outcome"]["after"]["revision"], "1.05");
        EXPECT_EQ(drive["outcome"]["imageSha256"].get<std::string>().size(), 64u);
    }
    EXPECT_EQ(report["log"], std::filesystem::absolute(folder / "run.log").string());
    ASSERT_EQ(report["file"]["banks"].size(), 1u);
    EXPECT_EQ(report["file"]["banks"][0]["size"], 1048576);
    EXPECT_EQ(report["file"]["banks"][0]["sha256"], report["drives"][0]["outcome"]["imageSha256"]);
}

// The same checks as the window's start-up: a damaged own file ends the run
// as bad input before any device is opened; in this test build a drive
// without the virtual drives' marker is passed by, and the log says why.
TEST_F(UnattendedTest, ADamagedOwnFileAndARealDriveAreRefusedAsTheWindowRefusesThem) {
    std::vector<std::uint8_t> file = testpe::PackedPe();
    file[0x3000] ^= 0x01;
    GiveOwnFile(file);
    AddDrive();
    EXPECT_EQ(RunQuiet(), ExitCode::BadInput);
    ExpectNothingShown();
    EXPECT_TRUE(machine.DeviceOpens().empty());
    EXPECT_NE(Log().find("This updater's file is damaged or was changed after it was packed"), std::string::npos)
        << Log();

    GiveOwnFile(testpe::PackedPe());
    vdrive::DriveConfig real;
    real.vendorSpecific = "                ";
    ReplaceDrive(0, real);
    AddDrive();
    EXPECT_EQ(RunQuiet(), ExitCode::Success);
    ExpectUntouched(*drives[0]);
    ExpectFlashed(*drives[1]);
    EXPECT_NE(Log().find("D: left alone: this test build flashes only the project's virtual drives"),
              std::string::npos)
        << Log();
}

TEST_F(UnattendedTest, ADriveWhoseReadBackDiffersFailsAndIsNotCommitted) {
    vdrive::DriveConfig config;
    config.readBackFaults = {{0, 0}};
    AddDrive(config);
    EXPECT_EQ(RunQuiet(), ExitCode::DriveFailed);
    ExpectNothingShown();
    EXPECT_EQ(drives[0]->CommitCount(), 0);
    const nlohmann::json report = Report();
    EXPECT_EQ(report["drives"][0]["outcome"]["result"], "failed");
    EXPECT_FALSE(report["drives"][0]["outcome"]["error"].is_null());
    EXPECT_NE(Log().find("result D: failed"), std::string::npos);
}

TEST_F(UnattendedTest, OneFailedDriveFailsTheRunAndTheOtherIsStillFlashed) {
    AddDrive();
    vdrive::DriveConfig broken;
    broken.faults = {{vdrive::CommandKind::Commit, 1}};
    AddDrive(broken);
    EXPECT_EQ(RunQuiet(), ExitCode::DriveFailed);
    ExpectFlashed(*drives[0]);
    EXPECT_EQ(Report()["drives"][1]["outcome"]["result"], "failed");
}

TEST_F(UnattendedTest, ARestartTheCallerKeepsIsCode3010) {
    package.Setting(pkg::kRebootOffset, "REBOOT=1");
    AddDrive();
    EXPECT_EQ(RunQuiet(/*noRestart=*/true), ExitCode::RestartRequired);
    ExpectFlashed(*drives[0]);
    EXPECT_TRUE(machine.ExitRequests().empty());
}

TEST_F(UnattendedTest, ARestartStartedIsCode1641) {
    package.Setting(pkg::kRebootOffset, "REBOOT=1");
    AddDrive();
    EXPECT_EQ(RunQuiet(), ExitCode::RestartStarted);
    ASSERT_EQ(machine.ExitRequests().size(), 1u);
    EXPECT_EQ(machine.ExitRequests()[0].flags, EWX_REBOOT | EWX_FORCE);
}

TEST_F(UnattendedTest, ARestartTheSystemRefusesIsCode3010) {
    package.Setting(pkg::kRebootOffset, "REBOOT=1");
    machine.SetShutdownPrivilegeHeld(false);
    AddDrive();
    EXPECT_EQ(RunQuiet(), ExitCode::RestartRequired);
    EXPECT_EQ(Report()["warnings"].size(), 1u);
}

TEST_F(UnattendedTest, OnBatteryAtFivePercentNothingIsSent) {
    machine.SetPowerSupply(sim::PowerSupply::OnBattery(5));
    AddDrive();
    EXPECT_EQ(RunQuiet(), ExitCode::Refused);
    ExpectNothingShown();
    ExpectNothingSent(*drives[0]);
    const nlohmann::json report = Report();
    EXPECT_EQ(report["exitCode"], 2);
    EXPECT_NE(report["errors"][0].get<std::string>().find("battery (5 %)"), std::string::npos);
}

TEST_F(UnattendedTest, OnBatteryAboveTheThresholdItFlashesWithAWarning) {
    machine.SetPowerSupply(sim::PowerSupply::OnBattery(60));
    AddDrive();
    EXPECT_EQ(RunQuiet(), ExitCode::Success);
    ExpectNothingShown();
    ExpectFlashed(*drives[0]);
    EXPECT_NE(Report()["warnings"][0].get<std::string>().find("battery (60 %)"), std::string::npos);
}

TEST_F(UnattendedTest, WithoutAdministratorRightsNothingIsSent) {
    machine.SetAdministrator(false);
    AddDrive();
    EXPECT_EQ(RunQuiet(), ExitCode::Refused);
    ExpectNothingSent(*drives[0]);
}

// The older family has no administrators to ask about.
TEST_F(UnattendedTest, TheOlderFamilyNeedsNoAdministrator) {
    machine.SetPlatform(sim::Platform::Older);
    machine.SetAdministrator(false);
    InstallAspiDrive();
    EXPECT_EQ(RunQuiet(), ExitCode::Success);
}

TEST_F(UnattendedTest, NoDriveManagerIsARefusal) {
    machine.SetProcessHeapNull(true);
    AddDrive();
    EXPECT_EQ(RunQuiet(), ExitCode::Refused);
    ExpectNothingShown();
}

TEST_F(UnattendedTest, NoDriveThePackageAllowsIsNothingToDo) {
    vdrive::DriveConfig other;
    other.vendor = "OTHER";
    AddDrive(other);
    EXPECT_EQ(RunQuiet(), ExitCode::NothingToDo);
    ExpectNothingShown();
    EXPECT_TRUE(OnlyDiscovered(*drives[0]));
}

TEST_F(UnattendedTest, APackageWithoutFirmwareIsBadInput) {
    package.HowManyBin(0);
    AddDrive();
    EXPECT_EQ(RunQuiet(), ExitCode::BadInput);
    ExpectNothingShown();
    ExpectNothingSent(*drives[0]);
}

// Nobody is there to take a disc out: that drive fails without its tray
// being opened, the empty one is flashed.
TEST_F(UnattendedTest, ADiscInADriveFailsThatDriveWhereThePackageAsksForTheCheck) {
    package.Setting(pkg::kChkDiscOffset, "CHKDISC=1");
    AddDrive(Empty());
    AddDrive();  // holds a disc
    EXPECT_EQ(RunQuiet(), ExitCode::DriveFailed);
    ExpectNothingShown();
    ExpectFlashed(*drives[0]);
    ExpectUntouched(*drives[1]);
    EXPECT_EQ(CountOpcode(*drives[1], kStartStopOp), 0);
    EXPECT_NE(Report()["drives"][1]["outcome"]["error"].get<std::string>().find("a disc is in the drive"),
              std::string::npos);
}

TEST_F(UnattendedTest, AnOpenTrayIsClosedAndTheDriveFlashed) {
    package.Setting(pkg::kChkDiscOffset, "CHKDISC=1");
    vdrive::DriveConfig open = Empty();
    open.trayOpen = true;
    AddDrive(open);
    EXPECT_EQ(RunQuiet(), ExitCode::Success);
    ExpectFlashed(*drives[0]);
}

}  // namespace
}  // namespace scenario
