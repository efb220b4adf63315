// A drive's identity as matching reads it: INQUIRY's vendor, product and
// revision and the vendor-specific bytes after them, raw (space-padded, as
// the drive sends them). Longer texts are read only up to their INQUIRY
// widths, and only up to a NUL, as "%.8s", "%.16s" and "%.4s" read them.
#pragma once

#include <cstddef>
#include <string>

namespace matching {

// "%.Ns": at most `width` characters of `text`, and none from a NUL on.
std::string Clipped(const std::string& text, std::size_t width);

struct Identity {
    std::string vendor;          // 8 characters
    std::string product;         // 16
    std::string revision;        // 4
    std::string vendorSpecific;  // 16

    bool Empty() const { return vendor.empty() && product.empty() && revision.empty(); }
    // "VELMORA DVDRW KTV-360R 1.02", blanks at the ends of each field
    // dropped; "(no identity)" when there is none.
    std::string Text() const;
};

}  // namespace matching
