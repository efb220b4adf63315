#include "test_loader_rule.h"

#include "../drive/command_codes.h"

namespace matching {

bool IsVirtualDrive(const Identity& drive) {
    return drive.vendorSpecific.compare(0, wire::kVendorSpecificLength, wire::kVirtualDriveMarker,
                                        wire::kVendorSpecificLength) == 0;
}

bool TestLoadersForbid(const Identity& drive, bool testLoaders) { return testLoaders && !IsVirtualDrive(drive); }

}  // namespace matching
