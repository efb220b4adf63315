// The real program, end to end: list and flash with human and JSON output,
// the demo package on one drive and on sixteen, its exit codes, the run log.
#include <nlohmann/json.hpp>

#include "tests/linux/e2e/e2e_fixture.h"

namespace e2e {
namespace {

std::string Drives(int count, const std::string& revision) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += "[drive]\nvendor = \"VELMORA\"\nproduct = \"DVDRW KTV-360R\"\nrevision = \"" + revision +
                "\"\nnew_revision = \"1.05\"\nlatency_ms = 1\n\n";
    }
    return text;
}

TEST_F(E2E, HelpAndVersionNeedNothingElse) {
    const Finished help = RunToEnd({NORVEK_FLASH_BIN, "--help"}, {});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("flash"), std::string::npos);
    EXPECT_NE(help.out.find("Exit codes: 0 done, 1 nothing to do, 2 refused"), std::string::npos) << help.out;
    const Finished version = RunToEnd({NORVEK_FLASH_BIN, "--version"}, {});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "norvek-flash 2.0.4\n");
    const Finished bad = RunToEnd({NORVEK_FLASH_BIN, "flash"}, {});
    EXPECT_EQ(bad.exitCode, 4);
    const Finished both = RunToEnd({NORVEK_FLASH_BIN, "flash", "x.exe", "--device", "/dev/sg0", "--all-matched"}, {});
    EXPECT_EQ(both.exitCode, 4) << both.err;
    // Every line of a message names the program, as every other one does.
    for (const std::string& line : Lines(bad.err + both.err)) EXPECT_EQ(line.rfind("norvek-flash: ", 0), 0u) << line;
    // With --json the error is the document.
    const Finished json = RunToEnd({NORVEK_FLASH_BIN, "list", "x.exe", "--json", "--no-such-option"}, {});
    EXPECT_EQ(json.exitCode, 4);
    const nlohmann::json doc = nlohmann::json::parse(json.out);
    EXPECT_EQ(doc["exitCode"], 4);
    EXPECT_EQ(doc["command"], "list");
    ASSERT_FALSE(doc["errors"].empty());
    EXPECT_NE(doc["errors"][0].get<std::string>().find("--no-such-option"), std::string::npos) << json.out;
}

TEST_F(E2E, ListShowsEachDriveWithWhatThePackageWouldDo) {
    Machine(kDemoDrives);
    const Finished list = Program("list");
    EXPECT_EQ(list.exitCode, 0) << list.err;
    EXPECT_NE(list.out.find("VELMORA DVDRW KTV-360R 1.02  from 1.02 to 1.05"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("ORVANTE DVD-ROM OV-5216 2.10  not allowed"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("loaders: generated test set"), std::string::npos);
    EXPECT_EQ(list.out.find("run log: "), std::string::npos) << "list logs only with --log";
    // Only identities were asked: TEST UNIT READY, INQUIRY, and the identify
    // command of the package's drive only to that drive.
    for (int drive : {0, 1}) {
        ASSERT_EQ(Exec(drive).size(), drive == 0 ? 3u : 2u) << drive;
        for (const std::string& line : Exec(drive)) {
            const std::string op = line.substr(line.find("cdb=") + 4, 2);
            EXPECT_TRUE(op == "00" || op == "12" || op == "df") << line;
        }
    }
}

TEST_F(E2E, ListAsJsonIsOneDocumentAndNothingElse) {
    Machine(kDemoDrives);
    const Finished list = Program("list", {"--json"});
    EXPECT_EQ(list.exitCode, 0) << list.err;
    const nlohmann::json doc = nlohmann::json::parse(list.out);
    EXPECT_EQ(doc["command"], "list");
    EXPECT_EQ(doc["drives"].size(), 2u);
    EXPECT_EQ(doc["drives"][0]["device"], machine->SgNode(0).string());
    EXPECT_EQ(doc["drives"][0]["decision"]["to"], "1.05");
    EXPECT_EQ(doc["drives"][0]["chipId"], "bf d6 00 01");
    EXPECT_EQ(doc["drives"][1]["decision"]["text"], "not allowed");
    EXPECT_TRUE(doc["log"].is_null()) << "list logs only with --log";
}

TEST_F(E2E, FlashPutsTheImageIntoTheDriveAndReportsTheNewRevision) {
    Machine(kDemoDrives);
    const Finished flash = Program("flash", {"--test-loaders"}, "y\n");
    EXPECT_EQ(flash.exitCode, 0) << flash.out << flash.err;
    EXPECT_NE(flash.out.find("Do you wish to continue ? [y/N]"), std::string::npos) << flash.out;
    EXPECT_NE(flash.out.find("flashed and verified, now VELMORA DVDRW KTV-360R 1.05 ("), std::string::npos)
        << flash.out;
    EXPECT_NE(flash.err.find("no inhibitor lock"), std::string::npos) << "no logind here: a warning, and on";
    EXPECT_EQ(Flash(0), sgsim::DemoImage());
    EXPECT_NE(
        ReadText(RequestLog()).find("exit drive=0 ha=0 target=0 lun=0 revision=1.05 commits=1 bootcode=1 loader=1"),
        std::string::npos);
    // Not a terminal: the progress comes as plain lines.
    EXPECT_NE(flash.out.find(machine->SgNode(0).string() + ": pass 1, 64/64 pieces verified"), std::string::npos)
        << flash.out;
    // The run log is where the end of the output says.
    const auto logLine = flash.out.rfind("run log: ");
    ASSERT_NE(logLine, std::string::npos);
    const std::string logPath = flash.out.substr(logLine + 9, flash.out.find('\n', logLine) - logLine - 9);
    const std::string log = ReadText(logPath);
    EXPECT_NE(log.find("result sg0 flashed"), std::string::npos) << log.substr(0, 2000);
    EXPECT_NE(log.find("exit 0"), std::string::npos);
}

TEST_F(E2E, FlashAsJsonSaysEverythingInOneDocument) {
    Machine(kDemoDrives);
    const Finished flash = Program("flash", {"--test-loaders", "--yes", "--json", "--log", (dir / "x.log").string()});
    EXPECT_EQ(flash.exitCode, 0) << flash.err;
    const nlohmann::json doc = nlohmann::json::parse(flash.out);
    EXPECT_EQ(doc["exitCode"], 0);
    EXPECT_EQ(doc["log"], (dir / "x.log").string());
    EXPECT_EQ(doc["drives"][0]["outcome"]["result"], "flashed");
    EXPECT_EQ(doc["drives"][0]["outcome"]["imageSha256"], doc["file"]["banks"][0]["sha256"]);
    EXPECT_EQ(doc["warnings"].size(), 1u);  // the inhibitor
}

TEST_F(E2E, SixteenDrivesAreFlashedTogether) {
    // One drive alone first, the same drive as each of the sixteen: the
    // wall times of the two runs go into the test's properties.
    Machine(Drives(1, "1.01"));
    const Finished alone = Program("flash", {"--test-loaders", "--yes", "--all-matched"});
    EXPECT_EQ(alone.exitCode, 0) << alone.err;
    RecordProperty("one_drive_seconds", std::to_string(alone.seconds));

    Machine(Drives(16, "1.01"));
    const Finished flash = Program("flash", {"--test-loaders", "--yes", "--all-matched"});
    EXPECT_EQ(flash.exitCode, 0) << flash.err;
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(Flash(i), sgsim::DemoImage()) << "drive " << i;
        EXPECT_EQ(Exec(i).size(), 3u + 2u + 1u + 1u + 1u + 128u + 1u + 1u) << i;
    }
    RecordProperty("sixteen_drives_seconds", std::to_string(flash.seconds));
    RecordProperty("sixteen_against_one", std::to_string(flash.seconds / alone.seconds));
}

TEST_F(E2E, NothingToDoAndADryRunAreTheirOwnOutcomes) {
    Machine(Drives(1, "1.05"));
    const Finished none = Program("flash", {"--test-loaders", "--yes"});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_NE(none.err.find("No matched drive detected !"), std::string::npos) << none.err;
    EXPECT_FALSE(AnyExec());

    Machine(kDemoDrives);
    const Finished dry = Program("flash", {"--test-loaders", "--dry-run"});
    EXPECT_EQ(dry.exitCode, 0) << dry.err;
    EXPECT_NE(dry.out.find("dry run, nothing was changed; would send:"), std::string::npos) << dry.out;
    for (const std::string& line : Exec(0)) {
        EXPECT_EQ(line.find("cdb=3b"), std::string::npos) << line;
        EXPECT_EQ(line.find("cdb=1b"), std::string::npos) << line;
    }
    EXPECT_NE(ReadText(RequestLog()).find("revision=1.02 commits=0"), std::string::npos);
}

}  // namespace
}  // namespace e2e
