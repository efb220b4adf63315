#include "run_image.h"

RunImage ImageOfBank(const pkg::PackageReader& package, int bank) {
    RunImage image;
    image.size = package.BinSize(bank);
    image.offset = package.BinStart(bank);
    if (!pkg::RangeInImageArea(image.offset, image.size)) return RunImage{image.offset, 0, nullptr};
    image.pointer = package.ImageArea() + image.offset;
    return image;
}
