// Whole runs of list and flash against virtual drives: what each drive
// receives, what lands in its flash, and what the run reports.
#include <nlohmann/json.hpp>

#include "linux/report_json.h"
#include "linux/wire_command.h"
#include "linux_run.h"

namespace linuxrun {
namespace {

using nflash::DriveResult;
using nflash::ExitCode;

constexpr char kTur[] = "000000000000000000000000";
constexpr char kInquiry[] = "120000006000000000000000";
constexpr char kIdentify[] = "df1100000000000000000000";
constexpr char kStop[] = "1b0000000000000000000000";
constexpr char kLoader[] = "3b05010000000005007f0000";  // entry 2: 1280 bytes, control 7F
constexpr char kCommitBootCode[] = "3b0501000000000000a00000";

std::vector<std::string> Discovery() { return {kTur, kInquiry, kIdentify}; }
// Another maker's drive is not asked the vendor's identify command.
std::vector<std::string> OtherMakersDiscovery() { return {kTur, kInquiry}; }

// What the window's worker sends a healthy drive, pieces and read-backs included.
std::vector<std::string> Flash() {
    std::vector<std::string> blocks{kTur, kTur, kStop, kIdentify, kLoader};
    char block[32];
    for (unsigned k = 0; k < 64; ++k) {
        std::snprintf(block, sizeof block, "3b0501%06x004000000000", k * 0x4000);
        blocks.push_back(block);
        std::snprintf(block, sizeof block, "3c0101%06x004000000000", k * 0x4000);
        blocks.push_back(block);
    }
    blocks.push_back(kCommitBootCode);
    return blocks;
}

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(LinuxRun, ListReadsEachDriveAsTheWindowsDiscoveryDoesAndDecidesAsItDoes) {
    Machine(DemoScenario());
    const nflash::RunReport report = Run({"list"});
    EXPECT_EQ(report.code, ExitCode::Success);
    ASSERT_EQ(report.drives.size(), 2u);
    EXPECT_EQ(report.drives[0].decision.Text(), "from 1.02 to 1.05");
    EXPECT_EQ(report.drives[1].decision.Text(), "not allowed");
    EXPECT_EQ(nflash::ChipText(*report.drives[0].chipId), "bf d6 00 01");
    EXPECT_EQ(Blocks(0), Discovery());
    EXPECT_EQ(Blocks(1), OtherMakersDiscovery());
    EXPECT_NE(out.str().find("0:0:0:0  " + machine->SgNode(0).string() + " (" + machine->SrNode(0).string() +
                             ")  VELMORA DVDRW KTV-360R 1.02  from 1.02 to 1.05"),
              std::string::npos)
        << out.str();
}

TEST_F(LinuxRun, FlashUpdatesTheFirstMatchedDriveWithExactlyTheWindowsCommands) {
    Machine(DemoScenario());
    const nflash::RunReport report = Run({"flash", "--yes", "--test-loaders"});
    EXPECT_EQ(report.code, ExitCode::Success) << err.str();
    EXPECT_EQ(report.drives[0].result, DriveResult::Flashed);
    EXPECT_EQ(report.drives[0].after->revision, "1.05");
    EXPECT_EQ(report.drives[0].passes, 1);
    // Discovery, the worker, the re-inquiry: and the other drive only discovery.
    EXPECT_EQ(Blocks(0), Concat(Concat(Discovery(), Flash()), {kInquiry}));
    EXPECT_EQ(Blocks(1), OtherMakersDiscovery());
    EXPECT_EQ(drives[0]->FlashContents(), sgsim::DemoImage());
    EXPECT_TRUE(drives[0]->BootCodeRequested());
    EXPECT_TRUE(drives[0]->LoaderAccepted());
    EXPECT_NE(out.str().find("flashed and verified, now VELMORA DVDRW KTV-360R 1.05"), std::string::npos) << out.str();
}

// The log reaches the disk right after the STOP, the last verified piece
// and the commit: a power cut after any of them leaves the evidence.
TEST_F(LinuxRun, TheRunLogIsSyncedAfterTheStopTheLastPieceAndTheCommit) {
    Machine(DemoScenario());
    const nflash::RunReport report = Run({"flash", "--yes", "--test-loaders"});
    ASSERT_EQ(report.code, ExitCode::Success);
    const std::vector<std::string> synced = log->SyncedAfter();
    ASSERT_EQ(synced.size(), 3u);
    EXPECT_NE(synced[0].find(std::string("command sg0 ") + kStop), std::string::npos) << synced[0];
    EXPECT_NE(synced[1].find("command sg0 3c01010fc000004000000000"), std::string::npos) << synced[1];
    EXPECT_NE(synced[2].find(std::string("command sg0 ") + kCommitBootCode), std::string::npos) << synced[2];
}

TEST_F(LinuxRun, AllMatchedFlashesEveryAllowedDriveInParallelAndReinquiresTheRest) {
    scenariofile::Scenario scenario;
    for (int i = 0; i < 16; ++i) scenario.drives.push_back(i == 7 ? Orvante(i) : Velmora(i % 2 ? "1.00" : "0.98", i));
    Machine(scenario);
    const nflash::RunReport report = Run({"flash", "--all-matched", "--yes", "--test-loaders"});
    EXPECT_EQ(report.code, ExitCode::Success) << err.str();
    for (std::size_t i = 0; i < 16; ++i) {
        if (i == 7) {
            EXPECT_EQ(Blocks(i), Concat(OtherMakersDiscovery(), {kInquiry}));  // the window's automatic mode asks it again too
            continue;
        }
        EXPECT_EQ(report.drives[i].result, DriveResult::Flashed) << i;
        EXPECT_EQ(drives[i]->FlashContents(), sgsim::DemoImage()) << i;
        EXPECT_EQ(drives[i]->Revision(), "1.05");
    }
}

TEST_F(LinuxRun, DeviceChoosesTheDriveByEitherNodeAndRefusesWhatIsNoOpticalDrive) {
    scenariofile::Scenario scenario;
    scenario.drives = {Velmora("1.00", 0), Velmora("1.01", 1)};
    Machine(scenario);
    const nflash::RunReport report = Run({"flash", "--device", machine->SrNode(1).string(), "--yes", "--test-loaders"});
    EXPECT_EQ(report.code, ExitCode::Success) << err.str();
    EXPECT_FALSE(Changed(0));
    EXPECT_EQ(drives[1]->Revision(), "1.05");

    const nflash::RunReport wrong =
        Run({"flash", "--device", (dir / "machine" / "dev" / "sda").string(), "--yes", "--test-loaders"});
    EXPECT_EQ(wrong.code, ExitCode::BadInput);
}

// A drive that never answers INQUIRY has only the identity sysfs read when
// it was found, which a firmware update does not change: a drive already
// updated, or in a bad state, must not be flashed on it, however chosen.
TEST_F(LinuxRun, ADriveThatNeverAnsweredInquiryIsLeftAloneAndSaysWhy) {
    scenariofile::Scenario scenario = DemoScenario();
    scenario.drives[0].config.faults.push_back(
        {vdrive::CommandKind::Inquiry, 1, 0, vdrive::FaultEffect::CheckCondition, {0x04, 0x44, 0x00}});
    Machine(scenario);
    const std::string why = machine->SgNode(0).string() + " left alone: no identity: the drive did not answer INQUIRY";
    for (const std::vector<std::string>& choice :
         {std::vector<std::string>{}, {"--all-matched"}, {"--device", machine->SrNode(0).string()}}) {
        std::vector<std::string> args{"flash", "--yes", "--test-loaders"};
        args.insert(args.end(), choice.begin(), choice.end());
        err.str("");
        const nflash::RunReport report = Run(args);
        const std::string how = choice.empty() ? "the first allowed drive" : choice[0];
        EXPECT_EQ(nflash::Code(report.code), nflash::Code(ExitCode::NothingToDo)) << how;
        EXPECT_FALSE(report.drives[0].chosen) << how;
        EXPECT_FALSE(Changed(0)) << how;
        EXPECT_NE(err.str().find(why), std::string::npos) << how << "\n" << err.str();
    }
}

// Beside a drive that answers, the one that does not is still left alone.
TEST_F(LinuxRun, ADriveThatNeverAnsweredInquiryIsLeftAloneBesideOneThatIsFlashed) {
    scenariofile::Scenario scenario;
    scenario.drives = {Velmora("1.00", 0), Velmora("1.01", 1)};
    scenario.drives[1].config.faults.push_back(
        {vdrive::CommandKind::Inquiry, 1, 0, vdrive::FaultEffect::NotDelivered});
    Machine(scenario);
    const nflash::RunReport report = Run({"flash", "--all-matched", "--yes", "--test-loaders"});
    EXPECT_EQ(report.drives[0].result, DriveResult::Flashed);
    EXPECT_EQ(report.drives[1].result, DriveResult::None);
    EXPECT_FALSE(Changed(1));
    EXPECT_NE(err.str().find(machine->SgNode(1).string() + " left alone: no identity"), std::string::npos)
        << err.str();
}

TEST_F(LinuxRun, NothingToDoWhenThePackageAllowsNoDrive) {
    scenariofile::Scenario scenario;
    scenario.drives = {Orvante(0), Velmora("1.05", 1)};
    Machine(scenario);
    const nflash::RunReport report = Run({"flash", "--yes", "--test-loaders"});
    EXPECT_EQ(report.code, ExitCode::NothingToDo);
    ASSERT_EQ(report.errors.size(), 1u);
    // The window's own words, with its list lines.
    EXPECT_EQ(report.errors[0],
              "No matched drive detected !\nThis utility is only for VELMORA DVDRW KTV-360R drive.\n\n"
              "Detected drives :\n 0-0-0-0 ORVANTE DVD-ROM OV-5216  2.10\n 1-0-0-0 VELMORA DVDRW KTV-360R   1.05\n");
    EXPECT_TRUE(Blocks(0).empty());
    EXPECT_TRUE(Blocks(1).empty());
}

TEST_F(LinuxRun, TheQuestionIsTheWindowsNoticeAndOnlyYesGoesOn) {
    Machine(DemoScenario());
    const nflash::RunReport declined = Run({"flash", "--test-loaders"}, "n\n");
    EXPECT_EQ(declined.code, ExitCode::Cancelled);
    EXPECT_FALSE(Changed(0));
    EXPECT_NE(out.str().find("This flash utility only supports VELMORA DVDRW KTV-360R drive.\n\nNOTICE : \n\n"
                             "1> Please REMOVE disc and close all applications before running this utility !\n"),
              std::string::npos)
        << out.str();
    EXPECT_EQ(Run({"flash", "--test-loaders"}, "").code, ExitCode::Cancelled);  // end of input is no
    EXPECT_FALSE(Changed(0));
    EXPECT_EQ(Run({"flash", "--test-loaders"}, "yes\n").code, ExitCode::Success);
    EXPECT_EQ(drives[0]->Revision(), "1.05");
}

TEST_F(LinuxRun, ADryRunSendsNothingThatChangesADriveAndSaysWhatItWouldSend) {
    Machine(DemoScenario());
    const nflash::RunReport report = Run({"flash", "--dry-run", "--test-loaders"});
    EXPECT_EQ(report.code, ExitCode::Success) << err.str();
    EXPECT_EQ(report.drives[0].result, DriveResult::Planned);
    // Up to the first changing command: discovery and the readiness wait.
    EXPECT_EQ(Blocks(0), Concat(Discovery(), {kTur, kTur}));
    EXPECT_EQ(drives[0]->Revision(), "1.02");
    // The plan is the rest of the worker's commands, exactly.
    std::vector<std::string> planned;
    for (const auto& c : report.drives[0].plan) planned.push_back(nflash::CdbHex(c.cdb.data()));
    const std::vector<std::string> flash = Flash();
    EXPECT_EQ(planned, std::vector<std::string>(flash.begin() + 2, flash.end()));
    EXPECT_NE(out.str().find("loader upload        3b05010000000005007f0000 (1280 bytes)"), std::string::npos)
        << out.str();
    EXPECT_NE(out.str().find("64 pieces of 16384 bytes"), std::string::npos);
    EXPECT_NE(out.str().find("commit               3b0501000000000000a00000"), std::string::npos);
}

TEST_F(LinuxRun, JsonIsOneDocumentWithDrivesDecisionsAndOutcomes) {
    Machine(DemoScenario());
    const nflash::RunReport report = Run({"flash", "--yes", "--test-loaders", "--json"});
    EXPECT_TRUE(out.str().empty()) << "only the document belongs on standard output: " << out.str();
    const nlohmann::json doc = nlohmann::json::parse(nflash::ReportJson(report).dump());
    EXPECT_EQ(doc["command"], "flash");
    EXPECT_EQ(doc["exitCode"], 0);
    EXPECT_EQ(doc["file"]["loaders"]["set"], "generated test set");
    EXPECT_EQ(doc["file"]["banks"][0]["newRevision"], "1.05");
    EXPECT_EQ(doc["drives"].size(), 2u);
    EXPECT_EQ(doc["drives"][0]["decision"]["text"], "from 1.02 to 1.05");
    EXPECT_EQ(doc["drives"][0]["outcome"]["result"], "flashed");
    EXPECT_EQ(doc["drives"][0]["outcome"]["after"]["revision"], "1.05");
    EXPECT_EQ(doc["drives"][1]["decision"]["matched"], false);
    EXPECT_FALSE(doc["drives"][1].contains("outcome"));
}

// Two banks, each admitting its own revisions with its own image and new
// revision: the bank that admitted a drive decides what it receives and
// what it is promised, in the question and in the JSON document.
TEST_F(LinuxRun, TheBankThatAdmitsADriveDecidesItsImageAndItsPromisedRevision) {
    // A bank of 512 KiB of its own bytes, for the VELMORA drives at F.00 to
    // F.03 (F: `from`), making them F.05.
    std::string manifest = "title = \"Two banks\"\ndrive_name = \"VELMORA DVDRW KTV-360R\"\n";
    const auto bank = [&](const std::string& name, char from, unsigned step) {
        std::vector<std::uint8_t> bytes(512 * 1024);
        for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * step + 1);
        sgsim::WriteBytes(dir / name, bytes);
        manifest += "[[bank]]\nimage = \"" + name + "\"\nnew_revision = \"" + from + ".05\"\n[[bank.slot]]\n" +
                    "min_revision = \"" + from + ".00\"\nmax_revision = \"" + from + ".03\"\n" +
                    "vendor = \"VELMORA \"\nproduct = \"DVDRW KTV-360R  \"\n";
        return bytes;
    };
    const std::vector<std::uint8_t> first = bank("first.bin", '1', 7);
    const std::vector<std::uint8_t> second = bank("second.bin", '2', 13);
    updater = sgsim::PackUpdater(dir.Path(), "two-banks.exe",
                                 sgsim::SyntheticTemplate(kTestLoaderSet, sgsim::TestLoaderStore()), manifest);
    scenariofile::Scenario scenario;
    scenario.drives = {Velmora("2.01", 0), Velmora("1.01", 1)};
    scenario.drives[0].config.newRevision = "2.05";
    Machine(scenario);

    const nflash::RunReport report = Run({"flash", "--all-matched", "--json", "--test-loaders"}, "y\n");
    ASSERT_EQ(nflash::Code(report.code), 0) << err.str();
    const auto landed = [&](std::size_t drive, const std::vector<std::uint8_t>& image) {
        const std::vector<std::uint8_t> flash = drives[drive]->FlashContents();
        return flash.size() >= image.size() && std::equal(image.begin(), image.end(), flash.begin());
    };
    EXPECT_TRUE(landed(0, second)) << "the drive the second bank admitted got another image";
    EXPECT_TRUE(landed(1, first));
    EXPECT_NE(err.str().find("VELMORA DVDRW KTV-360R 2.01  from 2.01 to 2.05"), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("VELMORA DVDRW KTV-360R 1.01  from 1.01 to 1.05"), std::string::npos) << err.str();

    const nlohmann::json doc = nflash::ReportJson(report);
    EXPECT_EQ(doc["drives"][0]["decision"]["bank"], 2);
    EXPECT_EQ(doc["drives"][0]["decision"]["to"], "2.05");
    EXPECT_EQ(doc["drives"][0]["outcome"]["imageSha256"], doc["file"]["banks"][1]["sha256"]);
    EXPECT_EQ(doc["drives"][0]["outcome"]["after"]["revision"], "2.05");
    EXPECT_EQ(doc["drives"][1]["decision"]["bank"], 1);
    EXPECT_EQ(doc["drives"][1]["outcome"]["imageSha256"], doc["file"]["banks"][0]["sha256"]);
    EXPECT_NE(LogText().find("flash sg0 bank 2 image 524288 bytes sha256 " +
                             doc["file"]["banks"][1]["sha256"].get<std::string>()),
              std::string::npos);
}

TEST_F(LinuxRun, TheRunLogHoldsTheFileTheIdentitiesEveryCommandAndTheResult) {
    scenariofile::Scenario scenario = DemoScenario();
    scenario.drives[0].config.faults.push_back(
        {vdrive::CommandKind::ImageWrite, 1, 1, vdrive::FaultEffect::CheckCondition, {0x04, 0x44, 0x00}});
    Machine(scenario);
    Run({"flash", "--yes", "--test-loaders"});
    const std::string text = LogText();
    for (const std::string& expected :
         {std::string("file ") + updater.string() + " sha256 ", std::string("loaders generated test set sha256 "),
          std::string("identity sg0 0:0:0:0 "), std::string("\"VELMORA \" \"DVDRW KTV-360R  \" \"1.02\""),
          std::string(", chip bf d6 00 01; decision: from 1.02 to 1.05"),
          std::string("flash sg0 bank 1 image 1048576 bytes sha256 "),
          std::string("command sg0 3c0101000000004000000000 in 16384 -> good 16384 bytes"),
          std::string("command sg0 3b0501000000004000000000 out 16384 -> check 0 bytes"),
          std::string("Check Condition: Hardware Error: Additional sense: Internal target failure"),
          std::string("result sg0 flashed, after: \"VELMORA \" \"DVDRW KTV-360R  \" \"1.05\"")}) {
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text.substr(0, 3000);
    }
}

}  // namespace
}  // namespace linuxrun
