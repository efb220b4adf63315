// Virtual drives behind the simulated machine, each reached through its own
// per-drive manager as an update run builds them: discovery by a start-up
// manager, a copy of its state, selection. The drive under test is put
// behind the letter only after selection, so its command log and fault
// counts start with the flash procedure itself.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "sim/vdrive/drive.h"
#include "sim/winsim/machine.h"
#include "src/drive/command_codes.h"
#include "src/drive/drive_manager.h"
#include "support/test_image.h"

namespace flashtest {

struct Rig {
    std::shared_ptr<vdrive::Drive> drive;
    std::unique_ptr<DriveManager> manager;
};

inline vdrive::DriveConfig OnMachineClock(vdrive::DriveConfig config) {
    config.clock = sim::NowSeconds;
    return config;
}

inline char LetterOf(int i) { return static_cast<char>('D' + i); }

// `configs.size()` drives on letters D, E, ...; manager i drives configs[i].
inline std::vector<Rig> MakeRigs(const std::vector<vdrive::DriveConfig>& configs) {
    auto& machine = sim::machine();
    for (std::size_t i = 0; i < configs.size(); ++i) {
        sim::CdromDevice device;
        device.drive = std::make_shared<vdrive::Drive>(OnMachineClock({}));
        device.targetId = static_cast<std::uint8_t>(i);
        machine.AddCdrom(LetterOf(static_cast<int>(i)), device);
    }
    DriveManager startup(true);
    std::vector<Rig> rigs;
    for (std::int16_t row = 0; row < static_cast<std::int16_t>(configs.size()); ++row) {
        Rig rig;
        rig.manager = std::make_unique<DriveManager>(false);
        DriveManager::CopyDiscoveryState(&startup, rig.manager.get());
        EXPECT_EQ(rig.manager->SelectDrive(row), 1) << "row " << row;
        const char letter = rig.manager->table.drives[row].rootPath[0];
        const std::size_t index = static_cast<std::size_t>(letter - 'D');
        rig.drive = std::make_shared<vdrive::Drive>(OnMachineClock(configs.at(index)));
        machine.ConfigureCdrom(letter, [&](sim::CdromDevice& d) { d.drive = rig.drive; });
        rigs.push_back(std::move(rig));
    }
    // Rigs in letter order, so rigs[i] has configs[i].
    std::vector<Rig> ordered(rigs.size());
    for (auto& rig : rigs) {
        const int row = rig.manager->CurrentDrive();
        ordered[static_cast<std::size_t>(rig.manager->table.drives[row].rootPath[0] - 'D')] = std::move(rig);
    }
    return ordered;
}

inline Rig MakeRig(const vdrive::DriveConfig& config = {}) {
    return std::move(MakeRigs({config}).front());
}

using testimage::MakeImage;

// Every test starts from, and leaves behind, a freshly reset machine on the
// virtual clock, so that second-long waits cost nothing.
class FlashTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim::machine().Reset();
        sim::machine().SetClockMode(sim::ClockMode::Virtual);
    }
    void TearDown() override { sim::machine().Reset(); }
};

// Commands of one opcode (and, for WRITE BUFFER, one control byte).
inline std::vector<vdrive::CommandRecord> CommandsWith(const vdrive::Drive& drive,
                                                       std::uint8_t opcode, int control = -1) {
    std::vector<vdrive::CommandRecord> out;
    for (const auto& c : drive.Commands()) {
        if (c.cdb[0] != opcode) continue;
        if (control >= 0 && c.cdb[9] != control) continue;
        out.push_back(c);
    }
    return out;
}

inline std::uint32_t Be24(const std::array<std::uint8_t, 12>& cdb, int at) {
    return std::uint32_t(cdb[at]) << 16 | std::uint32_t(cdb[at + 1]) << 8 | cdb[at + 2];
}

constexpr std::uint8_t kWriteBufferOp = wire::kOpWriteBuffer;
constexpr std::uint8_t kReadBufferOp = wire::kOpReadBuffer;

}  // namespace flashtest
