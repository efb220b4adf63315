// N drives flashed at once, one thread each as in an update run: the wall
// time per run of all N, and its ratio to one drive's time.
#pragma once

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "src/flash/embedded_loader_store.h"
#include "src/drive/session/drive_session.h"
#include "src/flash/flash_procedure.h"

// `bay` gives each drive's session (Session(i)), its image (images[i]) and a
// fresh drive after each run (FreshDrive(i)). `oneDriveSeconds` keeps the
// one-drive time of the same benchmark for the "vs_one_drive" counter.
template <bool kWholeProcedure, typename Bay>
void MeasureParallelDrives(benchmark::State& state, Bay& bay, int count, std::int32_t imageSize,
                           double& oneDriveSeconds) {
    std::uint8_t ok = 1;
    double total = 0.0;
    for (auto _ : state) {
        std::vector<std::uint8_t> results(static_cast<std::size_t>(count), 0);
        const auto start = std::chrono::steady_clock::now();
        std::vector<std::thread> workers;
        for (int i = 0; i < count; ++i) {
            workers.emplace_back([&, i] {
                DriveSession& s = bay.Session(i);
                const std::uint8_t* image = bay.images[i].data();
                results[i] = kWholeProcedure ? FlashFirmware(s, EmbeddedLoaderStore(), image, imageSize, 0)
                                             : WriteAndVerifyImage(s, image, imageSize);
            });
        }
        for (auto& w : workers) w.join();
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        total += seconds;
        for (std::uint8_t r : results) ok &= r;
        for (int i = 0; i < count; ++i) bay.FreshDrive(i);
    }
    if (!ok) state.SkipWithError("a drive failed");
    const double perRun = total / static_cast<double>(state.iterations());
    if (count == 1) oneDriveSeconds = perRun;
    if (oneDriveSeconds > 0) state.counters["vs_one_drive"] = perRun / oneDriveSeconds;
}
