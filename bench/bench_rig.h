// What the benchmarks share: healthy virtual drives behind CD-ROM letters of
// a freshly reset simulated machine, and the demo package made to start
// without any dialog.
#pragma once

#include <memory>
#include <vector>

#include "sim/vdrive/drive.h"
#include "sim/winsim/machine.h"
#include "src/package/package_layout.h"
#include "tests/support/package_builder.h"

namespace benchrig {

// The demo package with WARNING=0: no notice to confirm, so the window's
// construction runs straight through discovery, the list and matching.
inline const testpkg::PackageBuilder& QuietDemo() {
    static const testpkg::PackageBuilder demo =
        testpkg::PackageBuilder::Demo().Setting(pkg::kWarningOffset, "WARNING=0");
    return demo;
}

// `count` zero-latency drives on letters D, E, ... of a reset machine.
inline std::vector<std::shared_ptr<vdrive::Drive>> ResetWithDrives(int count, sim::ClockMode clock) {
    sim::Machine& machine = sim::machine();
    machine.Reset();
    machine.SetClockMode(clock);
    std::vector<std::shared_ptr<vdrive::Drive>> drives;
    for (int i = 0; i < count; ++i) {
        vdrive::DriveConfig config;
        config.clock = sim::NowSeconds;
        sim::CdromDevice device;
        device.drive = std::make_shared<vdrive::Drive>(std::move(config));
        device.targetId = static_cast<std::uint8_t>(i);
        machine.AddCdrom(static_cast<char>('D' + i), device);
        drives.push_back(device.drive);
    }
    return drives;
}

}  // namespace benchrig
