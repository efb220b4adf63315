// The drives' command logs of norvek-flash against the real Windows
// executables' end-to-end runs under Wine, for the same package and drives:
// the test ASPI DLL's request log and the preload library's, "exec" line for
// "exec" line (command block, direction, length, status, sense), drive by
// drive. It needs the logs those runs leave (tests/e2e/run.sh), so it runs
// after them.
#include <filesystem>

#include "tests/linux/e2e/e2e_fixture.h"

namespace {

namespace fs = std::filesystem;

struct WineRun {
    const char* name;    // the end-to-end scenario's folder
    const char* drives;  // its scenario file
    std::vector<std::string> args;
    int exitCode;
};

void PrintTo(const WineRun& run, std::ostream* out) { *out << run.name; }

fs::path EndToEndOut() {
    const char* out = std::getenv("NORVEK_E2E_OUT");
    return out != nullptr ? fs::path(out) : fs::path(NORVEK_SOURCE_DIR) / "out" / "e2e";
}

std::vector<std::string> ExecLines(const fs::path& log, int adapter) {
    std::vector<std::string> lines;
    const std::string prefix = "exec ha=" + std::to_string(adapter) + " ";
    for (const std::string& line : e2e::Lines(e2e::ReadText(log))) {
        if (line.rfind(prefix, 0) == 0) lines.push_back(line);
    }
    return lines;
}

class WineLogs : public e2e::E2E, public ::testing::WithParamInterface<WineRun> {};

TEST_P(WineLogs, EachDrivesExecLinesAreTheSameLineForLine) {
    const WineRun& run = GetParam();
    const fs::path scenarioFile = fs::path(NORVEK_SOURCE_DIR) / "tests" / "e2e" / "scenarios" / run.drives;
    int compared = 0;
    for (const char* edition : {"win32", "win64"}) {
        const fs::path windowsLog = EndToEndOut() / edition / run.name / "aspi.log";
        if (!fs::exists(windowsLog)) continue;
        Machine(e2e::ReadText(scenarioFile));
        std::vector<std::string> args = run.args;
        args.insert(args.begin(), {"--test-loaders", "--yes"});
        EXPECT_EQ(Program("flash", args).exitCode, run.exitCode) << edition;
        const auto drives = scenariofile::LoadScenario(scenarioFile).drives;
        for (const scenariofile::DriveSlot& slot : drives) {
            const std::vector<std::string> windows = ExecLines(windowsLog, slot.adapter);
            ASSERT_FALSE(windows.empty()) << windowsLog;
            EXPECT_EQ(Exec(slot.adapter), e2e::AsNorvekFlashAsks(windows, slot.config)) << edition << " " << run.name << ", adapter " << slot.adapter;
        }
        ++compared;
    }
    if (compared == 0) {
        GTEST_SKIP() << "SKIPPED LOUDLY: no Windows end-to-end log of " << run.name << " under " << EndToEndOut()
                     << " (run tests/e2e/run.sh first, or set NORVEK_E2E_OUT)";
    }
}

INSTANTIATE_TEST_SUITE_P(EndToEnd, WineLogs,
                         ::testing::Values(WineRun{"nt_one_drive", "one_drive.scenario", {}, 0},
                                           WineRun{"corrupt_every_pass", "corrupt_every_pass.scenario", {}, 3},
                                           WineRun{"automode_three", "three_drives.scenario", {"--all-matched"}, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- the packed executables themselves ---------------------------------------

// The demo package of each Windows edition the build has made: the same
// package block in both, read from the executable the vendor would ship.
fs::path EditionBuild(const char* variable, const char* folder) {
    const char* dir = std::getenv(variable);
    return dir != nullptr ? fs::path(dir) : fs::path(NORVEK_SOURCE_DIR) / "build" / folder;
}

class WindowsEditions : public e2e::E2E {};

TEST_F(WindowsEditions, EitherEditionsDemoPackageFlashesTheDemoImage) {
    const std::vector<fs::path> editions{EditionBuild("NORVEK_WIN_BUILD", "win") / "norvek-demo.exe",
                                         EditionBuild("NORVEK_WIN64_BUILD", "win64") / "norvek64-demo.exe"};
    int flashed = 0;
    for (const fs::path& exe : editions) {
        if (!fs::exists(exe)) continue;
        updater = exe;
        Machine(e2e::kDemoDrives);
        const e2e::Finished run = Program("flash", {"--test-loaders", "--yes"});
        EXPECT_EQ(run.exitCode, 0) << exe << "\n" << run.err;
        EXPECT_NE(run.out.find("package: \"Flash Program for VELMORA DVDRW KTV-360R\""), std::string::npos) << run.out;
        EXPECT_EQ(Flash(0), sgsim::DemoImage()) << exe;
        ++flashed;
    }
    if (flashed == 0) {
        GTEST_SKIP() << "SKIPPED LOUDLY: no Windows demo package built (build/win/norvek-demo.exe, "
                        "build/win64/norvek64-demo.exe; NORVEK_WIN_BUILD, NORVEK_WIN64_BUILD)";
    }
}

}  // namespace
