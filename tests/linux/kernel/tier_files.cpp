// Writes what the real-kernel tier puts into its initramfs besides the
// programs: the demo updater file (the demo package in a synthetic template
// carrying the test loaders, as the preload tier flashes it) and the demo
// image the drives must hold afterwards.
//
//   kernel-tier-files DIR
#include <cstdio>
#include <exception>

#include "tests/linux/support/updater_files.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: kernel-tier-files DIR\n");
        return 2;
    }
    try {
        sgsim::DemoUpdater(argv[1]);  // also writes DIR/demo-image.bin
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kernel-tier-files: %s\n", e.what());
        return 1;
    }
    return 0;
}
