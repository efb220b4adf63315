// Prints what this executable's own package block reads as, through the
// updater's reader, and a digest of the loader store it would upload: the
// packer tests pack this very file and run the copy.

#include <cstdio>
#include <string>

#include "src/flash/embedded_loader_store.h"
#include "src/flash/chip_table.h"
#include "src/package/package_reader.h"
#include "src/package/settings.h"

namespace {

void PrintSlot(const pkg::PackageReader& p, int bank, int slot) {
    const pkg::ConstraintTexts k = p.Constraint(bank, slot);
    std::printf("slot%d.%d=%s|%s|%s|%s|%d\n", bank + 1, slot + 1, k.minRevision.c_str(), k.maxRevision.c_str(),
                k.vendor.c_str(), k.product.c_str(), pkg::PackageReader::IsUnfilledSlot(k) ? 1 : 0);
}

// A cheap digest, enough to tell images and loader stores apart.
unsigned Sum(const std::uint8_t* bytes, std::size_t size) {
    unsigned sum = 0;
    for (std::size_t i = 0; i < size; ++i) sum = sum * 31 + bytes[i];
    return sum;
}

unsigned ImageSum(const pkg::PackageReader& p, int bank) {
    const std::int32_t start = p.BinStart(bank);
    const std::int32_t size = p.BinSize(bank);
    if (start < 0 || size <= 0 || static_cast<std::size_t>(start) + size > pkg::kImageAreaSize) return 0;
    return Sum(p.ImageArea() + start, static_cast<std::size_t>(size));
}

}  // namespace

int main() {
    const pkg::PackageReader p = pkg::ActivePackage();
    ReadSettings(p);
    const Settings& s = CurrentSettings();
    std::printf("title=%s\nversion=%s\ndrive=%s\n", p.Title().c_str(), p.Version().c_str(), p.DriveName().c_str());
    std::printf("settings=%d %d %d %d %d %d %d %d %d %d\n", s.n2oMessage, s.chkDisc, s.bootCode, s.reboot, s.autoMode,
                s.closeAp, s.warning, s.admin ? 1 : 0, s.nbWarning, s.howManyBin);
    std::printf("empty=%d\n", p.ImageAreaEmpty() ? 1 : 0);
    for (int bank = 0; bank < pkg::kBankCount; ++bank) {
        std::printf("bank%d=%d %d %s %u\n", bank + 1, p.BinStart(bank), p.BinSize(bank), p.NewRevision(bank).c_str(),
                    ImageSum(p, bank));
    }
    std::printf("loaders=%u\n", Sum(EmbeddedLoaderStore().data(), kLoaderStoreSize));
    for (int slot = 0; slot < 3; ++slot) PrintSlot(p, 0, slot);
    PrintSlot(p, 1, 0);
    return 0;
}
