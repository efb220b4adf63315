// A whole norvek-flash run in this process: the program's own commands
// against virtual drives served through the ioctl seam, on a machine of the
// test's making (sysfs, nodes, /proc), with the streams captured and the
// drives at hand afterwards.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "linux/commands.h"
#include "linux/console.h"
#include "linux/options.h"
#include "src/drive/hex_bytes.h"
#include "tests/linux/support/fake_machine.h"
#include "tests/linux/support/updater_files.h"
#include "tests/linux/support/vdrive_sg_system.h"

namespace linuxrun {

inline scenariofile::DriveSlot Velmora(const std::string& revision, int adapter) {
    scenariofile::DriveSlot slot;
    slot.adapter = adapter;
    slot.config.vendor = "VELMORA";
    slot.config.product = "DVDRW KTV-360R";
    slot.config.revision = revision;
    slot.config.newRevision = "1.05";
    return slot;
}

inline scenariofile::DriveSlot Orvante(int adapter) {
    scenariofile::DriveSlot slot;
    slot.adapter = adapter;
    slot.config.vendor = "ORVANTE";
    slot.config.product = "DVD-ROM OV-5216";
    slot.config.revision = "2.10";
    return slot;
}

// The demo machine: a drive the demo package updates and one of another maker.
inline scenariofile::Scenario DemoScenario() {
    scenariofile::Scenario s;
    s.drives = {Velmora("1.02", 0), Orvante(1)};
    return s;
}

class LinuxRun : public ::testing::Test {
protected:
    void SetUp() override {
        // The drives answer at once; the session's own waits (the readiness
        // polls, the pause before the commit) run on the program's clock.
        system.SetRealTime(false);
        updater = sgsim::DemoUpdater(dir.Path());
    }

    // Makes the machine and its drives; call before Run.
    void Machine(const scenariofile::Scenario& scenario, const sgsim::MachineOptions& options = {}) {
        machine = std::make_unique<sgsim::FakeMachine>(dir / "machine", scenario, options);
        privileges = nflash::Privileges{options.root, options.root || options.rawIoOnly};
        for (std::size_t i = 0; i < scenario.drives.size(); ++i) {
            auto drive = std::make_shared<vdrive::Drive>(scenario.drives[i].config);
            drives.push_back(drive);
            system.AddNode(machine->SgNode(static_cast<int>(i)).string(), drive, static_cast<int>(i));
            system.AddNode(machine->SrNode(static_cast<int>(i)).string(), drive, static_cast<int>(i));
        }
    }

    // Runs `norvek-flash ARGS...` (the updater file is added after the
    // command word); `answers` is what the user types.
    nflash::RunReport Run(std::vector<std::string> args, const std::string& answers = "") {
        args.insert(args.begin() + 1, updater.string());
        args.insert(args.begin(), "norvek-flash");
        args.push_back("--log");
        args.push_back((dir / "run.log").string());
        std::vector<const char*> argv;
        for (const std::string& a : args) argv.push_back(a.c_str());
        const nflash::ParsedOptions parsed = nflash::ParseOptions(static_cast<int>(argv.size()), argv.data());
        EXPECT_TRUE(parsed.options.has_value()) << parsed.output;
        if (!parsed.options) return {};
        std::string problem;
        log = nflash::RunLogFile::Open(dir / "run.log", false, problem);
        in.clear();
        in.str(answers);
        nflash::ProgramContext context{nflash::SystemPaths{machine->Sys(), machine->Dev(), machine->Proc()},
                                       systemOverride != nullptr ? *systemOverride : system,
                                       in,
                                       out,
                                       err,
                                       -1,
                                       false,
                                       control,
                                       log.get()};
        context.answerWaitSeconds = answerWaitSeconds;
        context.privileges = privileges;
        nflash::Console console(out, err, false, parsed.options->json);
        return parsed.options->command == nflash::Command::List ? nflash::RunList(*parsed.options, context, console)
                                                                : nflash::RunFlash(*parsed.options, context, console);
    }

    // The command blocks a drive received, as hex.
    std::vector<std::string> Blocks(std::size_t drive) const {
        std::vector<std::string> blocks;
        for (const auto& cdb : drives.at(drive)->CommandBlocks()) blocks.push_back(HexBytes(cdb.data(), cdb.size()));
        return blocks;
    }

    // Whether any command that changes a drive (STOP, WRITE BUFFER) reached it.
    bool Changed(std::size_t drive) const {
        for (const auto& cdb : drives.at(drive)->CommandBlocks()) {
            if (cdb[0] == 0x1B || cdb[0] == 0x3B) return true;
        }
        return false;
    }

    std::string LogText() const {
        std::ifstream in(dir / "run.log");
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    sgsim::ScratchDir dir;
    std::filesystem::path updater;
    std::unique_ptr<sgsim::FakeMachine> machine;
    sgsim::VdriveSgSystem system;
    SgSystem* systemOverride = nullptr;  // the program's system calls, when not `system`'s
    std::vector<std::shared_ptr<vdrive::Drive>> drives;
    nflash::RunControl control;
    std::unique_ptr<nflash::RunLogFile> log;
    std::istringstream in;
    std::ostringstream out;
    std::ostringstream err;
    int answerWaitSeconds = 2;
    nflash::Privileges privileges;  // as the machine's options say
};

}  // namespace linuxrun
