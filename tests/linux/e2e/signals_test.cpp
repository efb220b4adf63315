// Ctrl-C, SIGTERM and SIGHUP sent to the real program: before the drive's first
// changing command it is cancelled cleanly, after it the flash finishes.
#include <signal.h>

#include <thread>

#include "tests/linux/e2e/e2e_fixture.h"

namespace e2e {
namespace {

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

// The terminal closing or an SSH link dropping sends SIGHUP: taken like
// SIGTERM, never as a reason to die. Before the STOP the drive is
// cancelled untouched; after it the flash is finished.
TEST_F(E2E, SighupWhileTheDriveBecomesReadyCancelsItUntouched) {
    Machine(
        "[drive]\nvendor = \"VELMORA\"\nproduct = \"DVDRW KTV-360R\"\nrevision = \"1.02\"\n"
        "becoming_ready_polls = 20\n");
    std::filesystem::remove(RequestLog());
    ChildProcess child({NORVEK_FLASH_BIN, "flash", updater.string(), "--test-loaders", "--yes"}, Env());
    ASSERT_TRUE(LogShows(RequestLog(), "cdb=df11")) << "discovery never ended";
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    child.Signal(SIGHUP);
    const Finished run = child.Wait();
    EXPECT_EQ(run.exitCode, 5) << "(-1: ended by a signal)\n" << run.err;
    EXPECT_NE(run.err.find("cancelled: nothing was changed"), std::string::npos) << run.err;
    for (const std::string& line : Exec(0)) EXPECT_EQ(line.find("cdb=1b"), std::string::npos) << line;
}

TEST_F(E2E, SighupAfterTheStopLetsTheFlashFinish) {
    Machine("[drive]\nvendor = \"VELMORA\"\nproduct = \"DVDRW KTV-360R\"\nrevision = \"1.02\"\nlatency_ms = 10\n");
    std::filesystem::remove(RequestLog());
    ChildProcess child({NORVEK_FLASH_BIN, "flash", updater.string(), "--test-loaders", "--yes"}, Env());
    ASSERT_TRUE(LogShows(RequestLog(), "cdb=1b00")) << "the flash never started";
    child.Signal(SIGHUP);
    const Finished run = child.Wait();
    EXPECT_EQ(run.exitCode, 0) << "(-1: ended by a signal)\n" << run.err;
    EXPECT_NE(run.err.find("is being flashed and must finish"), std::string::npos) << run.err;
    EXPECT_EQ(Flash(0), sgsim::DemoImage());
    EXPECT_NE(ReadText(RequestLog()).find("exit drive=0 ha=0 target=0 lun=0 revision=1.05 commits=1"),
              std::string::npos);
}

}  // namespace
}  // namespace e2e
