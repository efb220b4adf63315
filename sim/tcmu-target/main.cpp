// norvek-tcmu-target: serves a scenario file's virtual drives to the running
// kernel through LIO's TCM-User backstore.
//
//   norvek-tcmu-target SCENARIO LOG
//
// Drive N of the scenario is served on the UIO node of the backstore whose
// dev_config ends in "norvek/vdN"; the backstores must exist (and be enabled)
// before it starts, and their LUNs are best linked after it has said "ready"
// on standard output, so the kernel's first INQUIRY is answered at once.
// Every command is logged to LOG as the test ASPI DLL logs it. At SIGTERM or
// SIGINT it writes the exit report (an "exit" line per drive and the drive's
// flash contents to LOG.driveN.flash, as the preload library does) and ends.
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "served_drive.h"
#include "sim/drive-log/request_log.h"
#include "sim/scenario/scenario.h"

namespace {

constexpr auto kNodeWait = std::chrono::seconds(10);

std::unique_ptr<tcmu::Ring> OpenRing(std::size_t index) {
    const std::string suffix = "norvek/vd" + std::to_string(index);
    const auto deadline = std::chrono::steady_clock::now() + kNodeWait;
    for (;;) {
        const std::string node = tcmu::FindUioNode(suffix);
        if (!node.empty()) return std::make_unique<tcmu::Ring>(node);
        if (std::chrono::steady_clock::now() > deadline) throw std::runtime_error("no UIO node for " + suffix);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void ExitReport(const std::vector<std::unique_ptr<tcmu::ServedDrive>>& drives, const std::string& logPath,
                drivelog::RequestLog& log) {
    for (std::size_t i = 0; i < drives.size(); ++i) {
        drivelog::LogDriveExit(log, logPath, i, drives[i]->Slot(), drives[i]->Drive());
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: norvek-tcmu-target SCENARIO LOG\n");
        return 2;
    }
    const std::string scenarioPath = argv[1];
    const std::string logPath = argv[2];
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGTERM);
    sigaddset(&stops, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stops, nullptr);  // before any thread: only sigwait below takes them

    drivelog::RequestLog log(logPath);
    std::vector<std::unique_ptr<tcmu::ServedDrive>> drives;
    try {
        const scenariofile::Scenario served = scenariofile::LoadScenario(scenarioPath);
        log.Line(scenariofile::Summary(scenarioPath, served));
        for (std::size_t i = 0; i < served.drives.size(); ++i) {
            drives.push_back(std::make_unique<tcmu::ServedDrive>(served.drives[i], OpenRing(i), log));
        }
    } catch (const std::exception& e) {
        log.Line(std::string("target error: ") + e.what());
        std::fprintf(stderr, "norvek-tcmu-target: %s\n", e.what());
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);

    int signal = 0;
    sigwait(&stops, &signal);
    ExitReport(drives, logPath, log);
    std::fflush(nullptr);
    std::_Exit(0);  // the drives' threads are still inside their ring reads
}
