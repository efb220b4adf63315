// The window writes the run log too, and its failure dialog names it apart
// from the dialog's own text.
#include <filesystem>
#include <fstream>
#include <sstream>

#include "scenario_fixture.h"
#include "src/app/run_log.h"

namespace scenario {
namespace {

class WindowRunLogTest : public ScenarioTest {
protected:
    void SetUp() override {
        ScenarioTest::SetUp();
        path = std::filesystem::path(::testing::TempDir()) /
               ("window-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".log");
        std::filesystem::remove(path);
        std::string problem;
        log = RunLog::Open(path.string(), problem);
        ASSERT_NE(log, nullptr) << problem;
        SetProcessRunLog(log.get());
    }
    void TearDown() override {
        Close();
        SetProcessRunLog(nullptr);
        log.reset();
        std::filesystem::remove(path);
        ScenarioTest::TearDown();
    }
    std::string Text() const {
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::filesystem::path path;
    std::unique_ptr<RunLog> log;
};

TEST_F(WindowRunLogTest, AFailedRunsDialogKeepsItsTextAndNamesTheLogApart) {
    vdrive::DriveConfig broken;
    broken.faults = {{vdrive::CommandKind::Commit, 1}};  // hardware error 4/44/00
    AddDrive(broken);
    Launch({Answer::Yes, Answer::Ok});
    EXPECT_EQ(UpdateAndRun(), StopReason::Terminated);
    ASSERT_EQ(Dialogs().size(), 2u);
    ExpectDialog(Dialogs()[1], fw::DialogKind::Error, kFailureText, fw::DialogButtons::Ok);
    EXPECT_EQ(Dialogs()[1].footnote, "Run log: " + log->Path());
    const std::string text = Text();
    EXPECT_NE(text.find("result D: failed"), std::string::npos) << text;
    EXPECT_NE(text.find("command D: 3b0501000000000000a00000 none 0 -> check 0 bytes"), std::string::npos) << text;
    EXPECT_NE(text.find(": sense 4/44/00"), std::string::npos) << "no command with its sense";
}

TEST_F(WindowRunLogTest, ASuccessfulRunLogsIdentitiesBeforeAndAfterAndEveryCommand) {
    AddDrive();
    Launch({Answer::Yes, Answer::Ok});
    EXPECT_EQ(UpdateAndRun(), StopReason::Idle);
    EXPECT_TRUE(Dialogs()[1].footnote.empty());
    const std::string text = Text();
    EXPECT_NE(text.find("identity D: 1-0-0-0: \"VELMORA \" \"DVDRW KTV-360R  \" \"1.00\""), std::string::npos);
    EXPECT_NE(text.find("identity D: 1-0-0-0: \"VELMORA \" \"DVDRW KTV-360R  \" \"1.05\""), std::string::npos);
    EXPECT_NE(text.find("power: on mains power"), std::string::npos);
    EXPECT_NE(text.find("command D: 3b0501000000000000a00000 none 0 -> good"), std::string::npos);
    EXPECT_NE(text.find("result D: flashed"), std::string::npos);
}

}  // namespace
}  // namespace scenario
