#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <unistd.h>

#include "sim/scenario/scenario.h"

namespace {

using scenariofile::ScenarioError;

scenariofile::Scenario Parse(const std::string& text) {
    std::istringstream in(text);
    return scenariofile::ParseScenario(in);
}

// The message of the error a text gives; empty when it parses.
std::string ErrorOf(const std::string& text) {
    try {
        Parse(text);
    } catch (const ScenarioError& e) {
        return e.what();
    }
    return "";
}

}  // namespace

TEST(ScenarioFile, GlobalAndDriveKeysSetTheManagerAndTheDrives) {
    const scenariofile::Scenario s = Parse(R"(# two drives
support_status = 0xE1
check_condition_completes = 1
refuse_with = 0xE5
[drive]
vendor = "ORVANTE "   # quoted: the trailing space stays
product = "DVD #1"
target = 3
lun = 2
fault = commit:1:0:check:03/0C/00:2.5
corrupt_readback = every:7
kind_latency = read_back:0.25
short_reply = inquiry:36
chip_id = BF D6 00 01
[drive]
adapter = 4
disc = absent
tray = open
latency_ms = 40
)");
    EXPECT_EQ(s.supportStatus, 0xE1);
    EXPECT_TRUE(s.checkConditionCompletes);
    EXPECT_FALSE(s.signalBeforeStatus);
    EXPECT_EQ(s.refuseWith, 0xE5);
    ASSERT_EQ(s.drives.size(), 2u);
    const auto& first = s.drives[0];
    EXPECT_EQ(first.adapter, 0) << "one adapter per drive unless told";
    EXPECT_EQ(first.target, 3);
    EXPECT_EQ(first.lun, 2);
    EXPECT_EQ(first.config.vendor, "ORVANTE ");
    EXPECT_EQ(first.config.product, "DVD #1") << "a # inside quotes is no comment";
    ASSERT_EQ(first.config.faults.size(), 1u);
    EXPECT_EQ(first.config.faults[0].kind, vdrive::CommandKind::Commit);
    EXPECT_EQ(first.config.faults[0].count, 0);
    EXPECT_EQ(first.config.faults[0].sense.key, 0x03);
    EXPECT_EQ(first.config.faults[0].sense.asc, 0x0C);
    EXPECT_DOUBLE_EQ(first.config.faults[0].extraSeconds, 2.5);
    ASSERT_EQ(first.config.readBackFaults.size(), 1u);
    EXPECT_EQ(first.config.readBackFaults[0].pass, 0);
    EXPECT_EQ(first.config.readBackFaults[0].piece, 7);
    ASSERT_EQ(first.config.shortReplies.size(), 1u);
    EXPECT_EQ(first.config.shortReplies[0].bytes, 36u);
    const auto& second = s.drives[1];
    EXPECT_EQ(second.adapter, 4);
    EXPECT_FALSE(second.config.discPresent);
    EXPECT_TRUE(second.config.trayOpen);
    EXPECT_DOUBLE_EQ(second.config.commandSeconds, 0.04);
    EXPECT_EQ(s.adapterCount, 5) << "one past the highest adapter";
    EXPECT_EQ(Parse("adapters = 2\n[drive]\nadapter = 4\n").adapterCount, 2) << "a declared count stands";
    EXPECT_EQ(Parse("").adapterCount, 0);
}

TEST(ScenarioFile, EveryMistakeIsAnErrorNamingItsLine) {
    const struct {
        const char* text;
        const char* says;
    } cases[] = {
        {"[drive]\nvendor\n", "line 2: expected key = value or [drive]"},
        {"colour = red\n", "line 1: unknown key colour"},
        {"vendor = X\n", "line 1: unknown key vendor"},  // a drive key before any [drive]
        {"[drive]\n\ncolour = red\n", "line 3: unknown drive key colour"},
        {"[drive]\ntarget = 16\n", "line 2: 16 is not a number from 0 to 15"},
        {"[drive]\nlun = two\n", "line 2: two is not a number from 0 to 7"},
        {"support_status = 256\n", "line 1: 256 is not a number from 0 to 255"},
        {"[drive]\nvendor = \"VELMORA\n", "line 2: unterminated quotes"},
        {"[drive]\nfault = commit:1:1:melt\n", "line 2: melt is not check, lost, busy, met or hang"},
        {"[drive]\nfault = commit:1\n", "line 2: commit:1 is not KIND:NTH:COUNT:EFFECT"},
        {"[drive]\nfault = write:1:1:check\n", "line 2: unknown command kind write"},
        {"[drive]\nfault = any:1:1:check:4/44\n", "line 2: 4/44 is not KEY/ASC/ASCQ"},
        {"[drive]\nchip_id = BF D6 00\n", "line 2: BF D6 00 is not four hex bytes"},
        {"[drive]\nchip_id = BF D6 00 01 02\n", "line 2: BF D6 00 01 02 is not four hex bytes"},
        {"[drive]\nnever_ready = perhaps\n", "line 2: perhaps is not true or false"},
        {"[drive]\ndisc = maybe\n", "line 2: maybe is neither present nor absent"},
        {"[drive]\ncorrupt_readback = 1:64\n", "line 2: 64 is not a whole number from 0 to 63"},
        {"[drive]\nlatency_ms = -1\n", "line 2: -1 is not a number of 0 or more"},
        {"\x01\xff\xfe\n", "line 1: expected key = value or [drive]"},
    };
    for (const auto& c : cases) {
        const std::string error = ErrorOf(c.text);
        EXPECT_NE(error.find(c.says), std::string::npos) << c.text << "\ngave: " << error;
    }
}

// A latency or speed that is not a finite number would have a drive wait
// for no time or for ever, and a front end convert it to a sleep it cannot
// represent: the file is refused instead.
TEST(ScenarioFile, NumbersThatAreNotFiniteAreRefused) {
    for (const char* line : {"latency_ms = nan", "latency_ms = inf", "bytes_per_second = infinity",
                             "becoming_ready_seconds = NAN", "kind_latency = commit:nan",
                             "fault = commit:1:1:check:04/44/00:inf"}) {
        const std::string error = ErrorOf(std::string("[drive]\n") + line + "\n");
        EXPECT_NE(error.find("line 2: "), std::string::npos) << line << " gave: \"" << error << "\"";
    }
}

TEST(ScenarioFile, LoadsAFileAndSummarisesIt) {
    const auto path = std::filesystem::path(::testing::TempDir()) /
                      ("scenario_file_test." + std::to_string(::getpid()) + ".scenario");
    std::ofstream(path) << "[drive]\n[drive]\nadapter = 2\n";
    const scenariofile::Scenario s = scenariofile::LoadScenario(path.string());
    EXPECT_EQ(s.drives.size(), 2u);
    EXPECT_EQ(scenariofile::Summary("/x.scenario", s), "scenario /x.scenario drives=2 adapters=3");
    std::filesystem::remove(path);
    try {
        scenariofile::LoadScenario(path.string());
        ADD_FAILURE() << "a missing file loaded";
    } catch (const ScenarioError& e) {
        EXPECT_EQ(std::string(e.what()), "cannot open " + path.string());
    }
}
