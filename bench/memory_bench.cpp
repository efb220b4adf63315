// Peak memory with 16 drives flashing: 16 per-drive managers, made the way
// an update run makes them, each flashing the demo package's 1 MiB image on
// its own thread (virtual clock, so the run takes no real time). Reported as
// counters: the process's peak resident size, and the part of it that the
// 16 simulated drives themselves hold (download buffer, flash, and the data
// their command logs keep), which the updater on Windows would not have, and
// the peak before the run (the program and the package block).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <memory>
#include <thread>
#include <vector>

#include "src/flash/embedded_loader_store.h"
#include "bench/bench_rig.h"
#include "src/drive/drive_manager.h"
#include "src/flash/flash_procedure.h"

namespace {

constexpr int kDrives = 16;
constexpr std::int32_t kImageSize = 1048576;

double PeakRssMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;  // ru_maxrss is in KiB on Linux
}

// One manager per drive, each with the discovery state of a start-up manager
// and its own drive selected.
std::vector<std::unique_ptr<DriveManager>> PerDriveManagers() {
    DriveManager startup(true);
    std::vector<std::unique_ptr<DriveManager>> managers;
    for (std::int16_t row = 0; row < startup.GetDriveCount(); ++row) {
        auto m = std::make_unique<DriveManager>(false);
        DriveManager::CopyDiscoveryState(&startup, m.get());
        if (m->SelectDrive(row) == 1) managers.push_back(std::move(m));
    }
    return managers;
}

double SimulatedDriveMiB(const std::vector<std::shared_ptr<vdrive::Drive>>& drives) {
    double bytes = 0;
    for (const auto& drive : drives) {
        bytes += 2.0 * wire::kDownloadBufferSize;  // download buffer and flash
        for (const auto& command : drive->Commands()) bytes += command.dataOut.size();
    }
    return bytes / (1024.0 * 1024.0);
}

void BM_SixteenDrivesFlashing(benchmark::State& state) {
    const std::uint8_t* image = benchrig::QuietDemo().Image(0);
    const double before = PeakRssMiB();  // the program and the package, before any drive
    for (auto _ : state) {
        const auto drives = benchrig::ResetWithDrives(kDrives, sim::ClockMode::Virtual);
        auto managers = PerDriveManagers();
        std::vector<std::uint8_t> results(managers.size());
        std::vector<std::thread> workers;
        for (std::size_t i = 0; i < managers.size(); ++i) {
            workers.emplace_back([&, i] { results[i] = FlashFirmware(*managers[i], EmbeddedLoaderStore(), image, kImageSize, 1); });
        }
        for (auto& w : workers) w.join();

        int flashed = 0;
        for (std::uint8_t r : results) flashed += r;
        if (flashed != kDrives) state.SkipWithError("not every drive was flashed");
        state.counters["drives_flashed"] = flashed;
        state.counters["peak_rss_before_MiB"] = before;
        state.counters["peak_rss_MiB"] = PeakRssMiB();
        state.counters["simulated_drives_MiB"] = SimulatedDriveMiB(drives);
    }
}
// One run: a peak is a peak, repeating it only repeats the same number.
BENCHMARK(BM_SixteenDrivesFlashing)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
