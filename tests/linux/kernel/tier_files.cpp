// Writes what the real-kernel tier needs besides the programs:
//
//   kernel-tier-files updater DIR
//     the demo updater file (the demo package in a synthetic template
//     carrying the test loaders, as the preload tier flashes it) and the
//     demo image the drives must hold afterwards, for the initramfs;
//   kernel-tier-files machine DIR SCENARIO
//     the preload tier's made-up machine (sysfs, /dev, /proc) for the
//     scenario's drives, for running the same scenario there and comparing
//     the drives' logs.
#include <cstdio>
#include <exception>
#include <string>

#include "tests/linux/support/fake_machine.h"
#include "tests/linux/support/updater_files.h"

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (!((mode == "updater" && argc == 3) || (mode == "machine" && argc == 4))) {
        std::fprintf(stderr, "usage: kernel-tier-files updater DIR | machine DIR SCENARIO\n");
        return 2;
    }
    try {
        if (mode == "updater") {
            sgsim::DemoUpdater(argv[2]);  // also writes DIR/demo-image.bin
        } else {
            sgsim::FakeMachine(argv[2], scenariofile::LoadScenario(argv[3]));
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kernel-tier-files: %s\n", e.what());
        return 1;
    }
    return 0;
}
