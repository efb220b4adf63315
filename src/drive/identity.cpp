#include <algorithm>
#include <cstring>

#include "command_codes.h"
#include "drive_commands.h"
#include "identity_row.h"

namespace {

constexpr int kIdentityAttempts = 10;

// Standard INQUIRY data: where each identity field starts and how long it is.
constexpr int kVendorAt = 8, kVendorLength = 8;
constexpr int kProductAt = 16, kProductLength = 16;
constexpr int kRevisionAt = 32, kRevisionLength = 4;
constexpr int kVendorSpecificAt = wire::kVendorSpecificAt, kVendorSpecificLength = wire::kVendorSpecificLength;

void ClearIdentity(DriveSession& m) {
    std::memset(m.revision, 0, sizeof m.revision);
    std::memset(m.vendor, 0, sizeof m.vendor);
    std::memset(m.product, 0, sizeof m.product);
    std::memset(m.vendorSpecific, 0, sizeof m.vendorSpecific);
}

}  // namespace

std::uint8_t ReadIdentity(DriveSession& m) {
    ClearIdentity(m);
    if (!Inquiry(m, 0, 0, 0, wire::kIdentityInquiryLength, 0)) return 0;
    const std::uint8_t* reply = m.readBuffer;
    std::memcpy(m.vendor, reply + kVendorAt, kVendorLength);
    std::memcpy(m.product, reply + kProductAt, kProductLength);
    std::memcpy(m.revision, reply + kRevisionAt, kRevisionLength);
    std::memcpy(m.vendorSpecific, reply + kVendorSpecificAt, kVendorSpecificLength);
    // The fields are kept raw either way; only vendor and product say whether
    // the drive gave an identity at all.
    const std::uint8_t* named = reply + kVendorAt;
    const std::uint8_t* namedEnd = reply + kProductAt + kProductLength;
    return std::any_of(named, namedEnd, [](std::uint8_t b) { return b != 0; }) ? 1 : 0;
}

std::uint8_t ReadIdentityRetrying(DriveSession& m) {
    for (int attempt = 0; attempt < kIdentityAttempts; ++attempt) {
        if (ReadIdentity(m)) return 1;
    }
    return 0;
}

void StoreIdentity(const DriveSession& m, DriveEntry& row) {
    std::memset(row.displayName, 0, sizeof row.displayName);
    std::memset(row.revision, 0, sizeof row.revision);
    std::memset(row.vendor, 0, sizeof row.vendor);
    std::memset(row.product, 0, sizeof row.product);
    std::memset(row.vendorSpecific, 0, sizeof row.vendorSpecific);
    std::memcpy(row.revision, m.revision, sizeof row.revision);
    std::memcpy(row.vendor, m.vendor, sizeof row.vendor);
    std::memcpy(row.product, m.product, sizeof row.product);
    std::memcpy(row.vendorSpecific, m.vendorSpecific, sizeof row.vendorSpecific);
    std::memcpy(row.displayName, m.vendor, kVendorLength);
    std::memcpy(row.displayName + kVendorLength, m.product, kProductLength);
}
