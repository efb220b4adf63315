// Ctrl-C and SIGTERM sent to the real program: before the drive's first
// changing command it is cancelled cleanly, after it the flash finishes.
#include <signal.h>

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

TEST_F(E2E, CtrlCStopsAListAndItExitsCancelled) {
    // Each INQUIRY takes two seconds: three drives would take six and more.
    std::string drives;
    for (int i = 0; i < 3; ++i) {
        drives += "[drive]\nvendor = \"VELMORA\"\nproduct = \"DVDRW KTV-360R\"\nrevision = \"1.02\"\n"
                  "kind_latency = inquiry:2\n";
    }
    Machine(drives);
    std::filesystem::remove(RequestLog());
    ChildProcess child({NORVEK_FLASH_BIN, "list", updater.string()}, Env());
    ASSERT_TRUE(LogShows(RequestLog(), "exec ha=0 target=0 lun=0 cdb=00")) << "the list never started";
    child.Signal(SIGINT);
    const Finished run = child.Wait();
    EXPECT_EQ(run.exitCode, 5) << run.err;
    EXPECT_NE(run.err.find("norvek-flash: interrupted: the list stopped"), std::string::npos) << run.err;
    EXPECT_TRUE(Exec(2).empty()) << "the last drive is not asked";
    EXPECT_LT(run.seconds, 4.0);
}

}  // namespace
}  // namespace e2e
