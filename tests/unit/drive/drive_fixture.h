// A freshly reset simulated machine for every drive-layer test, with helpers
// that put virtual drives behind CD-ROM letters or ASPI target slots.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "sim/vdrive/drive.h"
#include "sim/winsim/machine.h"
#include "src/drive/transport_preference.h"
#include "src/drive/drive_manager.h"

using Block = std::array<std::uint8_t, 12>;

class DriveTest : public ::testing::Test {
protected:
    void SetUp() override {
        m.Reset();
        SetApplicationTag(0);
    }
    // Managers go before the machine forgets their handles and heap blocks.
    void TearDown() override {
        manager.reset();
        m.Reset();
        SetApplicationTag(0);
    }

    // A drive whose commands of `kind` fail with `effect` (from the first on,
    // `count` of them; 0: all), answering `sense` where it reports any.
    static vdrive::DriveConfig Failing(vdrive::CommandKind kind, vdrive::FaultEffect effect,
                                       int count, vdrive::SenseCode sense) {
        vdrive::DriveConfig config;
        config.faults.push_back({.kind = kind, .count = count, .effect = effect, .sense = sense});
        return config;
    }

    // A drive that answers every commit with `status` and no sense data.
    static vdrive::DriveConfig RefusingCommits(std::uint8_t status) {
        vdrive::DriveConfig config;
        config.faults.push_back({.kind = vdrive::CommandKind::Commit,
                                 .count = 0,
                                 .effect = vdrive::FaultEffect::BareStatus,
                                 .status = status});
        return config;
    }

    static std::shared_ptr<vdrive::Drive> NewDrive(vdrive::DriveConfig config = {}) {
        config.clock = sim::NowSeconds;
        return std::make_shared<vdrive::Drive>(std::move(config));
    }

    // A CD-ROM letter whose device answers at the given address.
    std::shared_ptr<vdrive::Drive> AddCdrom(char letter, std::uint8_t port, std::uint8_t target,
                                            vdrive::DriveConfig config = {}) {
        auto drive = NewDrive(std::move(config));
        sim::CdromDevice device;
        device.drive = drive;
        device.port = port;
        device.targetId = target;
        m.AddCdrom(letter, device);
        return drive;
    }

    // An ASPI manager with one adapter per entry; each holds CD-ROMs at
    // targets 0, 1, ... behaving as `slot` says (its drive is replaced).
    void InstallAspi(const std::vector<std::vector<std::shared_ptr<vdrive::Drive>>>& adapters,
                     sim::AspiDevice slot = {}, BYTE supportStatus = SS_COMP) {
        sim::AspiManagerConfig config;
        config.installed = true;
        config.supportStatus = supportStatus;
        for (const auto& drivesOnAdapter : adapters) {
            sim::AspiAdapter adapter;
            for (std::size_t t = 0; t < drivesOnAdapter.size(); ++t) {
                slot.drive = drivesOnAdapter[t];
                adapter.devices[{static_cast<BYTE>(t), 0}] = slot;
            }
            config.adapters.push_back(adapter);
        }
        m.SetAspiManager(config);
    }

    // A manager without discovery whose row 0 is the drive at `letter`
    // (pass-through) or at adapter 0 target `target` (ASPI), selected.
    static void SelectOnly(DriveManager& manager, char letter, bool viaAspi, std::int16_t target = 0) {
        DriveEntry& row = manager.table.drives[0];
        row = DriveEntry{};
        row.present = 1;
        row.viaAspi = viaAspi ? 1 : 0;
        row.adapter = viaAspi ? 0 : 1;
        row.lun = row.bus = 0;
        row.target = target;
        if (!viaAspi) {
            row.rootPath[0] = letter;
            row.rootPath[1] = ':';
            row.rootPath[2] = '\\';
        }
        manager.table.driveCount = 1;
        ASSERT_EQ(manager.SelectDrive(0), 1);
    }

    static Block Cdb(std::initializer_list<std::uint8_t> bytes) {
        Block block{};
        std::copy(bytes.begin(), bytes.end(), block.begin());
        return block;
    }

    // A fresh machine in the middle of a test, for cases run one after another.
    void Restart() {
        manager.reset();
        m.Reset();
        SetApplicationTag(0);
    }

    sim::Machine& m = sim::machine();
    std::shared_ptr<vdrive::Drive> drive;
    std::unique_ptr<DriveManager> manager;
};
