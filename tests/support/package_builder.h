// Builds package blocks for tests: a copy of the template block with fields
// written in place, the way the packer writes them into an executable.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "src/package/package_layout.h"
#include "src/package/package_reader.h"

namespace testpkg {

class PackageBuilder {
public:
    PackageBuilder() : block_(pkg::EmbeddedBlock(), pkg::EmbeddedBlock() + pkg::kBlockSize) {}

    // A block ready to run: title, drive name, one bank with a 1 MiB image
    // admitting VELMORA DVDRW KTV-360R from revision 1.00 to 1.03, new 1.05.
    static PackageBuilder Demo() {
        PackageBuilder b;
        b.Title("Flash Program for VELMORA DVDRW KTV-360R").DriveName("VELMORA DVDRW KTV-360R");
        b.Slot(0, 0, "1.00", "1.03", "VELMORA ", "DVDRW KTV-360R  ");
        b.Bank(0, 0, 1048576, "1.05").HowManyBin(1).Setting(pkg::kRebootOffset, "REBOOT=0");
        b.FillImage(0, 1048576, 7);
        return b;
    }

    PackageBuilder& Text(std::size_t offset, std::size_t width, const std::string& text) {
        std::memset(&block_[offset], 0, width);
        std::memcpy(&block_[offset], text.data(), std::min(text.size(), width));
        return *this;
    }
    PackageBuilder& Title(const std::string& t) { return Text(pkg::kTitleOffset, pkg::kTitleWidth, t); }
    PackageBuilder& DriveName(const std::string& d) {
        return Text(pkg::kDriveNameOffset, pkg::kDriveNameWidth, d);
    }
    // Writes a whole settings string such as "REBOOT=1" at its offset.
    PackageBuilder& Setting(std::size_t offset, const std::string& text) {
        std::size_t width = text.size() + 1;
        return Text(offset, width, text);
    }
    PackageBuilder& HowManyBin(int n) {
        return Setting(pkg::kHowManyBinOffset, "HOW_MANY_BIN=" + std::to_string(n));
    }
    PackageBuilder& Slot(int bank, int slot, const std::string& min, const std::string& max,
                         const std::string& vendor, const std::string& product) {
        const std::size_t at = pkg::kConstraintsOffset + pkg::kBankStride * bank + pkg::kSlotStride * slot;
        Text(at + pkg::kSlotMinRevision, pkg::kSlotRevisionWidth, min);
        Text(at + pkg::kSlotMaxRevision, pkg::kSlotRevisionWidth, max);
        Text(at + pkg::kSlotVendor, pkg::kSlotVendorWidth, vendor);
        return Text(at + pkg::kSlotProduct, pkg::kSlotProductWidth, product);
    }
    PackageBuilder& Bank(int bank, std::int64_t start, std::int64_t size, const std::string& revision) {
        char value[16];
        std::snprintf(value, sizeof value, "%010lld", static_cast<long long>(start));
        Text(pkg::kBinStartValue + pkg::kBinStartStride * bank, 11, value);
        std::snprintf(value, sizeof value, "%010lld", static_cast<long long>(size));
        Text(pkg::kBinSizeValue + pkg::kBinSizeStride * bank, 11, value);
        return Text(pkg::kNewFwValue + pkg::kNewFwStride * bank, 8, revision);
    }
    // Deterministic image bytes, so a test can tell banks apart.
    PackageBuilder& FillImage(std::size_t start, std::size_t size, std::uint32_t seed) {
        std::uint32_t x = seed * 2654435761u + 1;
        for (std::size_t i = 0; i < size; ++i) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            block_[pkg::kImageAreaOffset + start + i] = static_cast<std::uint8_t>(x);
        }
        return *this;
    }

    const std::uint8_t* Data() const { return block_.data(); }
    const std::uint8_t* Image(std::size_t start) const { return &block_[pkg::kImageAreaOffset + start]; }
    pkg::PackageReader Reader() const { return pkg::PackageReader(block_.data()); }

private:
    std::vector<std::uint8_t> block_;
};

}  // namespace testpkg
