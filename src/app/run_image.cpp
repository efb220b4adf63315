#include "run_image.h"

RunImage ImageOfBank(const pkg::PackageReader& package, int bank) {
    RunImage image;
    image.size = package.BinSize(bank);
    image.offset = package.BinStart(bank);
    const std::int64_t end = static_cast<std::int64_t>(image.offset) + image.size;
    if (image.offset < 0 || image.size < 0 || end > static_cast<std::int64_t>(pkg::kImageAreaSize))
        return RunImage{image.offset, 0, nullptr};
    image.pointer = package.ImageArea() + image.offset;
    return image;
}
