// The drives' command logs of norvek-flash against the Windows program's,
// for the same package and drives: every command block, direction and
// length, in order, drive by drive.
//
// Here against the host build of the Windows program (its window, workers
// and flash procedure on the simulated machine); wine_logs_test.cpp compares
// with the real executables' end-to-end runs.
#include <regex>

#include "scenario/scenario_fixture.h"
#include "src/drive/hex_bytes.h"
#include "src/package/pe_checksum.h"
#include "tests/linux/e2e/e2e_fixture.h"

namespace {

using Log = std::vector<std::string>;  // one drive's commands, in order

// "exec ha=0 target=0 lun=0 cdb=... dir=in len=96 status=01 sense=-" -> "cdb=... dir=in len=96"
std::string Command(const std::string& execLine) {
    static const std::regex kCommand(R"((cdb=[0-9a-f]+ dir=[a-z]+ len=[0-9]+))");
    std::smatch match;
    return std::regex_search(execLine, match, kCommand) ? match[1].str() : "?";
}

Log CommandsOf(const vdrive::Drive& drive) {
    static constexpr const char* kDirection[] = {"out", "in", "none"};
    Log log;
    for (const vdrive::CommandRecord& r : drive.Commands()) {
        log.push_back("cdb=" + HexBytes(r.cdb.data(), r.cdb.size()) + " dir=" +
                      kDirection[static_cast<int>(r.direction)] + " len=" + std::to_string(r.length));
    }
    return log;
}

// The real norvek-flash on the same drives and package, through the e2e machinery.
class LinuxSide : public e2e::E2E {
public:
    void TestBody() override {}
    std::vector<Log> Flash(const std::string& scenarioText, const std::vector<std::uint8_t>& block,
                           std::vector<std::string> args, int drives, int& exitCode) {
        SetUp();
        auto bytes = sgsim::SyntheticTemplate(kTestLoaderSet, sgsim::TestLoaderStore(), block.data());
        pkg::WritePeChecksum(bytes);  // as the packer leaves a file
        sgsim::WriteBytes(updater, bytes);
        Machine(scenarioText);
        args.insert(args.begin(), {"--test-loaders", "--yes"});
        const e2e::Finished run = Program("flash", args);
        exitCode = run.exitCode;
        std::vector<Log> logs(static_cast<std::size_t>(drives));
        for (int i = 0; i < drives; ++i) {
            for (const std::string& line : Exec(i)) logs[static_cast<std::size_t>(i)].push_back(Command(line));
        }
        return logs;
    }
};

class WindowsLog : public scenario::ScenarioTest {
protected:
    // The window's run over the scenario's drives: the notice answered Yes,
    // Update pressed on the first matched drive (or, in automatic mode, the
    // run started by itself), the report acknowledged.
    std::vector<Log> WindowsRun(const std::string& scenarioText, bool automatic) {
        std::istringstream in(scenarioText);
        for (aspidll::DriveSlot& slot : aspidll::ParseScenario(in).drives) AddDrive(slot.config);
        if (automatic) {
            LaunchAndRun();
        } else {
            Launch();
            UpdateAndRun();
        }
        Close();
        std::vector<Log> logs;
        for (const auto& drive : drives) logs.push_back(CommandsOf(*drive));
        return logs;
    }

    std::vector<std::uint8_t> Block() const { return {package.Data(), package.Data() + pkg::kBlockSize}; }

    void Compare(const std::string& scenarioText, bool automatic, int expectedExit) {
        const std::vector<Log> windows = WindowsRun(scenarioText, automatic);
        int exitCode = -1;
        LinuxSide linux;
        const std::vector<Log> linuxLogs = linux.Flash(
            scenarioText, Block(), automatic ? std::vector<std::string>{"--all-matched"} : std::vector<std::string>{},
            static_cast<int>(windows.size()), exitCode);
        EXPECT_EQ(exitCode, expectedExit);
        ASSERT_EQ(linuxLogs.size(), windows.size());
        std::istringstream in(scenarioText);
        const auto slots = aspidll::ParseScenario(in).drives;
        for (std::size_t i = 0; i < windows.size(); ++i) {
            EXPECT_FALSE(windows[i].empty());
            EXPECT_EQ(linuxLogs[i], e2e::AsNorvekFlashAsks(windows[i], slots[i].config)) << "drive " << i;
        }
    }
};

constexpr char kMatchedAndOther[] = R"([drive]
revision = "1.02"
[drive]
vendor = "ORVANTE"
product = "DVD-ROM OV-5216"
revision = "2.10"
)";

constexpr char kThree[] = R"([drive]
revision = "1.00"
[drive]
revision = "1.03"
[drive]
vendor = "ORVANTE"
product = "DVD-ROM OV-5216"
)";

TEST_F(WindowsLog, AManualRunOfTheHostBuildSendsEachDriveTheSameCommands) { Compare(kMatchedAndOther, false, 0); }

TEST_F(WindowsLog, AnAutomaticRunMatchesAllMatchedDriveForDrive) {
    package.Setting(pkg::kAutoModeOffset, "AUTOMODE=1");
    Compare(kThree, true, 0);
}

TEST_F(WindowsLog, APassThatFailsAndIsRepeatedLooksTheSame) {
    Compare("[drive]\nrevision = \"1.01\"\ncorrupt_readback = 1:7\n", false, 0);
}

TEST_F(WindowsLog, ADriveThatNeverVerifiesLooksTheSame) {
    Compare("[drive]\nrevision = \"1.01\"\ncorrupt_readback = every:2\n", false, 3);
}

TEST_F(WindowsLog, AUnitAttentionAndAFailedLoaderLookTheSame) {
    Compare("[drive]\nrevision = \"1.01\"\nunit_attention = true\nfault = loader_upload:1:1:check\n", false, 3);
}

}  // namespace
