#include "run_image.h"

namespace {
RunImage runImage;
}

void ResetRunImage() {
    runImage = RunImage{};
    runImage.pointer = pkg::ActivePackage().ImageArea();
}

void SelectRunImage(const pkg::PackageReader& package, int bank) {
    runImage.size = package.BinSize(bank);
    runImage.offset = package.BinStart(bank);
    const std::int64_t end = static_cast<std::int64_t>(runImage.offset) + runImage.size;
    if (runImage.offset < 0 || runImage.size < 0 || end > static_cast<std::int64_t>(pkg::kImageAreaSize)) {
        runImage.pointer = nullptr;
        runImage.size = 0;
        return;
    }
    runImage.pointer = package.ImageArea() + runImage.offset;
}

const RunImage& CurrentRunImage() { return runImage; }
