// From the start of the real norvek-flash to its first command at a drive:
// the process start, the dynamic loader, reading the updater file (1 MiB of
// package and the loader store checked by SHA-256), sysfs, the open. The
// preload library notes the monotonic time of the first SG_IO.
//
//   norvek_flash_startup_bench
#include <benchmark/benchmark.h>

#include <fstream>

#include "tests/linux/e2e/child_process.h"
#include "tests/linux/support/fake_machine.h"
#include "tests/linux/support/updater_files.h"

namespace {

namespace fs = std::filesystem;

void BM_StartToFirstCommand(benchmark::State& state) {
    const fs::path dir = fs::temp_directory_path() / ("norvek-flash-startup-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const fs::path updater = sgsim::DemoUpdater(dir);
    const fs::path scenario = dir / "drives.scenario";
    std::ofstream(scenario) << "[drive]\nrevision = \"1.02\"\n";
    const sgsim::FakeMachine machine(dir / "machine", scenariofile::LoadScenario(scenario));
    const fs::path mark = dir / "first-command";
    const std::map<std::string, std::string> env{
        {"NORVEK_SYSFS_ROOT", machine.Sys().string()}, {"NORVEK_DEV_ROOT", machine.Dev().string()},
        {"NORVEK_PROC_ROOT", machine.Proc().string()}, {"NORVEK_SG_SCENARIO", scenario.string()},
        {"NORVEK_SG_FIRST_COMMAND", mark.string()},    {"LD_PRELOAD", NORVEK_SG_PRELOAD},
        {"XDG_STATE_HOME", (dir / "state").string()}};
    for (auto _ : state) {
        fs::remove(mark);
        e2e::ChildProcess child({NORVEK_FLASH_BIN, "list", updater.string()}, env);
        const long long started = child.StartedAt();
        const e2e::Finished finished = child.Wait();
        long long first = 0;
        std::ifstream(mark) >> first;
        if (finished.exitCode != 0 || first == 0) {
            state.SkipWithError("the program did not reach a drive");
            break;
        }
        state.SetIterationTime(static_cast<double>(first - started) / 1e9);
    }
    fs::remove_all(dir);
}
BENCHMARK(BM_StartToFirstCommand)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

BENCHMARK_MAIN();
