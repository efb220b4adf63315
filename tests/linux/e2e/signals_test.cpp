// Ctrl-C, SIGTERM and SIGHUP (the terminal closed, an SSH link dropped) sent
// to the real program: before the drive's first changing command it is
// cancelled cleanly, after it the flash finishes. None of them is a reason
// to die.
#include <signal.h>

#include <set>
#include <string>
#include <thread>

#include "tests/linux/e2e/e2e_fixture.h"

namespace e2e {
namespace {

constexpr char kExitBySignal[] = "(-1: ended by a signal)\n";

class Signalled : public E2E {
protected:
    // Twenty polls of 300 ms: the worker is in its readiness wait for six
    // seconds, and `signal` comes once its first poll (the first TEST UNIT
    // READY after discovery's identify) has reached the drive.
    Finished DuringTheReadinessWait(int signal) {
        Machine(
            "[drive]\nvendor = \"VELMORA\"\nproduct = \"DVDRW KTV-360R\"\nrevision = \"1.02\"\n"
            "becoming_ready_polls = 20\n");
        std::filesystem::remove(RequestLog());
        ChildProcess child({NORVEK_FLASH_BIN, "flash", updater.string(), "--test-loaders", "--yes"}, Env());
        EXPECT_TRUE(LogShows(RequestLog(), "cdb=000000", "cdb=df11")) << "the readiness wait never began";
        child.Signal(signal);
        return child.Wait();
    }

    // 10 ms a command: the signals come, 100 ms apart, while the pieces are
    // written.
    Finished AfterTheStop(std::initializer_list<int> signals) {
        Machine("[drive]\nvendor = \"VELMORA\"\nproduct = \"DVDRW KTV-360R\"\nrevision = \"1.02\"\nlatency_ms = 10\n");
        std::filesystem::remove(RequestLog());
        ChildProcess child({NORVEK_FLASH_BIN, "flash", updater.string(), "--test-loaders", "--yes"}, Env());
        EXPECT_TRUE(LogShows(RequestLog(), "cdb=1b00")) << "the flash never started";
        for (int signal : signals) {
            child.Signal(signal);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return child.Wait();
    }

    void ExpectCancelledUntouched(const Finished& run) {
        EXPECT_EQ(run.exitCode, 5) << kExitBySignal << run.err;
        EXPECT_NE(run.err.find("cancelled: nothing was changed"), std::string::npos) << run.err;
        for (const std::string& line : Exec(0)) {
            EXPECT_EQ(line.find("cdb=1b"), std::string::npos) << line;
            EXPECT_EQ(line.find("cdb=3b"), std::string::npos) << line;
        }
    }

    void ExpectFinished(const Finished& run) {
        EXPECT_EQ(run.exitCode, 0) << kExitBySignal << run.err;
        EXPECT_NE(run.err.find("is being flashed and must finish"), std::string::npos) << run.err;
        EXPECT_EQ(Flash(0), sgsim::DemoImage());
        EXPECT_NE(ReadText(RequestLog()).find("exit drive=0 ha=0 target=0 lun=0 revision=1.05 commits=1"),
                  std::string::npos);
        // Every command the drive got came back whole: no SG_IO was cut short.
        for (const std::string& line : Exec(0)) EXPECT_NE(line.find("status=01"), std::string::npos) << line;
    }
};

TEST_F(Signalled, CtrlCWhileTheDriveBecomesReadyCancelsItUntouched) {
    const Finished run = DuringTheReadinessWait(SIGINT);
    ExpectCancelledUntouched(run);
    EXPECT_LT(run.seconds, 5.0) << "the polls must stop at the interruption";
}

TEST_F(Signalled, SighupWhileTheDriveBecomesReadyCancelsItUntouched) {
    ExpectCancelledUntouched(DuringTheReadinessWait(SIGHUP));
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

TEST_F(Signalled, SigtermAfterTheStopIsAnsweredAndTheFlashFinishes) { ExpectFinished(AfterTheStop({SIGTERM, SIGINT})); }

TEST_F(Signalled, SighupAfterTheStopLetsTheFlashFinish) { ExpectFinished(AfterTheStop({SIGHUP})); }

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
