// The real norvek-flash against virtual drives: a machine of the test's
// making (sysfs, nodes, /proc), the preload library serving SG_IO from the
// scenario's drives, a scratch state folder, and the results read back from
// the preload's request log and the drives' flash files.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/linux/e2e/child_process.h"
#include "tests/linux/support/fake_machine.h"
#include "tests/linux/support/updater_files.h"

namespace e2e {

using sgsim::ReadText;

// Waits until the preload's log holds `text` (after the first `after`,
// when given), up to ten seconds.
inline bool LogShows(const std::filesystem::path& log, const std::string& text, const std::string& after = "") {
    for (int i = 0; i < 1000; ++i) {
        const std::string logged = ReadText(log);
        const std::size_t from = logged.find(after);
        if (from != std::string::npos && logged.find(text, from + after.size()) != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The Windows program asks every drive the vendor's identify command at
// discovery; norvek-flash asks only the package's drive (the demo's VELMORA
// DVDRW KTV-360R). Another maker's drive's Windows log without those lines
// is what norvek-flash must send it.
inline std::vector<std::string> AsNorvekFlashAsks(std::vector<std::string> windowsLog,
                                                  const vdrive::DriveConfig& drive) {
    if (drive.vendor.rfind("VELMORA", 0) == 0 && drive.product.rfind("DVDRW KTV-360R", 0) == 0) return windowsLog;
    std::erase_if(windowsLog, [](const std::string& line) { return line.find("cdb=df11") != std::string::npos; });
    return windowsLog;
}

class E2E : public ::testing::Test {
protected:
    void SetUp() override { updater = sgsim::DemoUpdater(dir.Path()); }

    void Machine(const std::string& scenarioText, const sgsim::MachineOptions& options = {}) {
        scenarioFile = dir / "drives.scenario";
        std::ofstream(scenarioFile) << scenarioText;
        machine = std::make_unique<sgsim::FakeMachine>(dir / "machine", scenariofile::LoadScenario(scenarioFile), options);
    }

    std::map<std::string, std::string> Env() const {
        return {{"NORVEK_SYSFS_ROOT", machine->Sys().string()},
                {"NORVEK_DEV_ROOT", machine->Dev().string()},
                {"NORVEK_PROC_ROOT", machine->Proc().string()},
                {"NORVEK_SG_SCENARIO", scenarioFile.string()},
                {"NORVEK_SG_LOG", RequestLog().string()},
                {"LD_PRELOAD", NORVEK_SG_PRELOAD},
                {"ASAN_OPTIONS", "verify_asan_link_order=0:detect_leaks=0"},
                {"DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + (dir / "no-bus").string()},
                {"XDG_STATE_HOME", (dir / "state").string()},
                {"NORVEK_LOG_ROOT", (dir / "var-log").string()}};
    }

    // norvek-flash COMMAND UPDATER ARGS...
    Finished Program(const std::string& command, std::vector<std::string> args = {}, const std::string& input = "",
                     std::map<std::string, std::string> extraEnv = {}) {
        std::filesystem::remove(RequestLog());
        args.insert(args.begin(), {NORVEK_FLASH_BIN, command, updater.string()});
        std::map<std::string, std::string> env = Env();
        for (const auto& [name, value] : extraEnv) env[name] = value;
        return RunToEnd(args, env, input);
    }

    std::filesystem::path RequestLog() const { return dir / "requests.log"; }

    // The preload's "exec" lines for one host adapter, in order.
    std::vector<std::string> Exec(int adapter) const {
        std::vector<std::string> lines;
        const std::string prefix = "exec ha=" + std::to_string(adapter) + " ";
        for (const std::string& line : Lines(ReadText(RequestLog()))) {
            if (line.rfind(prefix, 0) == 0) lines.push_back(line);
        }
        return lines;
    }

    bool AnyExec() const { return ReadText(RequestLog()).find("exec ") != std::string::npos; }

    std::vector<std::uint8_t> Flash(int drive) const {
        return sgsim::ReadBytes(RequestLog().string() + ".drive" + std::to_string(drive) + ".flash");
    }

    sgsim::ScratchDir dir;
    std::filesystem::path updater;
    std::filesystem::path scenarioFile;
    std::unique_ptr<sgsim::FakeMachine> machine;
};

inline constexpr char kDemoDrives[] = R"([drive]
vendor = "VELMORA"
product = "DVDRW KTV-360R"
revision = "1.02"
new_revision = "1.05"

[drive]
vendor = "ORVANTE"
product = "DVD-ROM OV-5216"
revision = "2.10"
)";

}  // namespace e2e
