// Writing the manager's current identity into a drive table row, shared by
// discovery and the refresh after an update run.
#pragma once

#include "table/drive_entry.h"

class DriveSession;

// Clears the row's display name and identity fields, copies the manager's
// vendor, product, revision and vendor-specific bytes with their terminators,
// and builds the display name from the 8 vendor and 16 product characters.
void StoreIdentity(const DriveSession& m, DriveEntry& row);

// ReadIdentity up to ten times in a row; 1 at the first that finds an identity.
std::uint8_t ReadIdentityRetrying(DriveSession& m);
