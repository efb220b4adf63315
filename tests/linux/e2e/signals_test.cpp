// Ctrl-C and SIGTERM sent to the real program: before the drive's first
// changing command it is cancelled cleanly, after it the flash finishes.
#include <signal.h>

#include <set>
#include <string>
#include <thread>

#include "tests/linux/e2e/e2e_fixture.h"

namespace e2e {
namespace {

// Waits until the preload's log holds `text`, up to ten seconds.
bool LogShows(const std::filesystem::path& log, const std::string& text) {
    for (int i = 0; i < 1000; ++i) {
        if (ReadText(log).find(text) != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

TEST_F(E2E, CtrlCWhileTheDriveBecomesReadyCancelsItUntouched) {
    // Twenty polls of 300 ms: the worker is in its readiness wait for six seconds.
    Machine(
        "[drive]\nvendor = \"VELMORA\"\nproduct = \"DVDRW KTV-360R\"\nrevision = \"1.02\"\n"
        "becoming_ready_polls = 20\n");
    std::filesystem::remove(RequestLog());
    ChildProcess child({NORVEK_FLASH_BIN, "flash", updater.string(), "--test-loaders", "--yes"}, Env());
    ASSERT_TRUE(LogShows(RequestLog(), "cdb=df11")) << "discovery never ended";
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    child.Signal(SIGINT);
    const Finished run = child.Wait();
    EXPECT_EQ(run.exitCode, 5) << run.err;
    EXPECT_NE(run.err.find("cancelled: nothing was changed"), std::string::npos) << run.err;
    for (const std::string& line : Exec(0)) {
        EXPECT_EQ(line.find("cdb=1b"), std::string::npos) << line;
        EXPECT_EQ(line.find("cdb=3b"), std::string::npos) << line;
    }
    EXPECT_LT(run.seconds, 5.0) << "the polls must stop at the interruption";
}

TEST_F(E2E, SigtermAfterTheStopIsAnsweredAndTheFlashFinishes) {
    Machine("[drive]\nvendor = \"VELMORA\"\nproduct = \"DVDRW KTV-360R\"\nrevision = \"1.02\"\nlatency_ms = 10\n");
    std::filesystem::remove(RequestLog());
    ChildProcess child({NORVEK_FLASH_BIN, "flash", updater.string(), "--test-loaders", "--yes"}, Env());
    ASSERT_TRUE(LogShows(RequestLog(), "cdb=1b00")) << "the flash never started";
    child.Signal(SIGTERM);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    child.Signal(SIGINT);
    const Finished run = child.Wait();
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("is being flashed and must finish"), std::string::npos) << run.err;
    EXPECT_EQ(Flash(0), sgsim::DemoImage());
    // Every command the drive got came back whole: no SG_IO was cut short.
    for (const std::string& line : Exec(0)) EXPECT_NE(line.find("status=01"), std::string::npos) << line;
}

TEST_F(E2E, CtrlZDuringTheFlashDoesNotStopIt) {
    Machine("[drive]\nvendor = \"VELMORA\"\nproduct = \"DVDRW KTV-360R\"\nrevision = \"1.02\"\nlatency_ms = 10\n");
    std::filesystem::remove(RequestLog());
    ChildProcess child({NORVEK_FLASH_BIN, "flash", updater.string(), "--test-loaders", "--yes"}, Env());
    ASSERT_TRUE(LogShows(RequestLog(), "cdb=1b00")) << "the flash never started";
    child.Signal(SIGTSTP);
    child.Signal(SIGTTOU);
    const Finished run = child.Wait(std::chrono::seconds(30));
    EXPECT_EQ(run.exitCode, 0) << "stopped, then killed at the limit: " << run.err;
    EXPECT_EQ(Flash(0), sgsim::DemoImage());
}

TEST_F(E2E, AnOutputClosedMidFlashLosesOnlyOutput) {
    Machine("[drive]\nvendor = \"VELMORA\"\nproduct = \"DVDRW KTV-360R\"\nrevision = \"1.02\"\nlatency_ms = 5\n");
    std::filesystem::remove(RequestLog());
    // `| head -n 2`: the reader goes after two lines, long before the commit.
    // Only the program gets the preload: the shell's and head's own copies
    // would write their untouched drives' reports at their exit.
    std::map<std::string, std::string> env = Env();
    env["PRELOAD_FOR_PROGRAM"] = env["LD_PRELOAD"];
    env["LD_PRELOAD"] = "";
    const Finished run = RunToEnd(
        {"/bin/bash", "-c",
         "LD_PRELOAD=\"$PRELOAD_FOR_PROGRAM\" \"$0\" \"$@\" | head -n 2 > /dev/null; exit ${PIPESTATUS[0]}",
         NORVEK_FLASH_BIN, "flash", updater.string(), "--test-loaders", "--yes"},
        env);
    EXPECT_EQ(run.exitCode, 0) << "141 is death by SIGPIPE: " << run.err;
    EXPECT_EQ(Flash(0), sgsim::DemoImage());
    EXPECT_NE(ReadText(RequestLog()).find("commits=1"), std::string::npos);
}

TEST_F(E2E, AStopWhileAPieceIsWithTheDriveSendsNoCommandTwice) {
    // The preload, like the sg driver, sends an SG_IO again when the process
    // was stopped and continued while it waited.
    Machine(
        "[drive]\nvendor = \"VELMORA\"\nproduct = \"DVDRW KTV-360R\"\nrevision = \"1.02\"\n"
        "kind_latency = image_write:0.1\n");
    std::filesystem::remove(RequestLog());
    ChildProcess child({NORVEK_FLASH_BIN, "flash", updater.string(), "--test-loaders", "--yes"}, Env());
    ASSERT_TRUE(LogShows(RequestLog(), "cdb=3b050100c000")) << "the flash never reached its fourth piece";
    std::this_thread::sleep_for(std::chrono::milliseconds(30));  // the fifth piece is with the drive
    child.Signal(SIGSTOP);
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    child.Signal(SIGCONT);
    const Finished run = child.Wait();
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Flash(0), sgsim::DemoImage());
    std::set<std::string> writes;
    for (const std::string& line : Exec(0)) {
        if (line.find("cdb=3b") != std::string::npos) {
            EXPECT_TRUE(writes.insert(line).second) << "sent twice: " << line;
        }
    }
}

}  // namespace
}  // namespace e2e
