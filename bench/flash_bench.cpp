// The cost of flashing: the image transfer against the floor of moving and
// comparing the same bytes, the one-second pause on its own, and how well
// drives flash in parallel when every command takes the drive some time.
//
//   flash_bench --benchmark_counters_tabular=true
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "src/flash/embedded_loader_store.h"
#include "sim/vdrive/drive.h"
#include "sim/winsim/machine.h"
#include "src/drive/drive_manager.h"
#include "src/drive/stopwatch.h"
#include "src/flash/chip_loader.h"
#include "src/flash/flash_procedure.h"
#include "bench/copy_compare_floor.h"
#include "bench/parallel_drives.h"
#include "support/test_image.h"

namespace {

constexpr std::int32_t kImageSize = 1048576;
constexpr int kMaxDrives = 16;

std::vector<std::uint8_t> MakeImage(std::uint32_t seed) {
    return testimage::MakeImage(kImageSize, seed);
}

vdrive::DriveConfig DriveWithLatency(double commandSeconds) {
    vdrive::DriveConfig config;
    config.commandSeconds = commandSeconds;
    return config;
}

// Drives on letters D, E, ... on the real clock, each selected by its own
// manager, with the loader already accepted, so that the transfer alone can
// be timed.
struct Bay {
    DriveSession& Session(int i) { return *managers[i]; }
    std::vector<std::shared_ptr<vdrive::Drive>> drives;
    std::vector<std::unique_ptr<DriveManager>> managers;
    std::vector<std::vector<std::uint8_t>> images;
    double commandSeconds;

    Bay(int count, double latency) : commandSeconds(latency) {
        auto& machine = sim::machine();
        machine.Reset();
        machine.SetClockMode(sim::ClockMode::Real);
        for (int i = 0; i < count; ++i) {
            drives.push_back(std::make_shared<vdrive::Drive>(DriveWithLatency(commandSeconds)));
            sim::CdromDevice device;
            device.drive = drives.back();
            device.targetId = static_cast<std::uint8_t>(i);
            machine.AddCdrom(Letter(i), device);
        }
        DriveManager startup(true);
        for (std::int16_t row = 0; row < count; ++row) {
            auto m = std::make_unique<DriveManager>(false);
            DriveManager::CopyDiscoveryState(&startup, m.get());
            m->SelectDrive(row);
            m->SetTimeout(108000);
            managers.push_back(std::move(m));
            images.push_back(MakeImage(static_cast<std::uint32_t>(row)));
            FreshDrive(row);
        }
    }
    ~Bay() { sim::machine().Reset(); }

    static char Letter(int i) { return static_cast<char>('D' + i); }

    // The virtual drive logs every byte it is sent; a fresh drive per run
    // keeps that log from growing through the whole benchmark.
    void FreshDrive(int i) {
        drives[i] = std::make_shared<vdrive::Drive>(DriveWithLatency(commandSeconds));
        sim::machine().ConfigureCdrom(Letter(i), [&](sim::CdromDevice& d) { d.drive = drives[i]; });
        managers[i]->DisableRetry();
        IdentifyChipAndUploadLoader(*managers[i], EmbeddedLoaderStore());
        managers[i]->EnableRetry();
    }
};

void BM_TransferOneMegabyte(benchmark::State& state) {
    Bay bay(1, 0.0);
    std::uint8_t ok = 1;
    for (auto _ : state) {
        ok &= WriteAndVerifyImage(*bay.managers[0], bay.images[0].data(), kImageSize);
        state.PauseTiming();
        bay.FreshDrive(0);
        state.ResumeTiming();
    }
    if (!ok) state.SkipWithError("transfer failed");
    state.SetBytesProcessed(state.iterations() * kImageSize);
}
BENCHMARK(BM_TransferOneMegabyte)->Unit(benchmark::kMillisecond);

void BM_CopyAndCompareFloor(benchmark::State& state) { MeasureCopyAndCompareFloor(state, MakeImage(0)); }
BENCHMARK(BM_CopyAndCompareFloor)->Unit(benchmark::kMillisecond);

void BM_PauseBeforeCommit(benchmark::State& state) {
    sim::machine().Reset();
    sim::machine().SetClockMode(sim::ClockMode::Real);
    Stopwatch stopwatch;
    for (auto _ : state) PauseWithMessages(stopwatch, 1.0);
    sim::machine().Reset();
}
BENCHMARK(BM_PauseBeforeCommit)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// N drives, each command taking the drive a fixed time on the real clock,
// one thread per drive as in an update run. Wall time per run of all N.
double g_oneDriveSeconds = 0.0;

template <bool kWholeProcedure>
void BM_ParallelDrives(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    Bay bay(count, 0.001);
    MeasureParallelDrives<kWholeProcedure>(state, bay, count, kImageSize, g_oneDriveSeconds);
}
BENCHMARK(BM_ParallelDrives<false>)
    ->Name("BM_ParallelTransfer")->Arg(1)->Arg(kMaxDrives)
    ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ParallelDrives<true>)
    ->Name("BM_ParallelFlashFirmware")->Arg(1)->Arg(kMaxDrives)
    ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
