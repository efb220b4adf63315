// Which firmware bank, if any, a drive may receive.
#pragma once

#include <cstdint>

#include "../drive/table/drive_entry.h"
#include "../package/package_reader.h"

// Whether the row's INQUIRY bytes 36-51 carry the marker of the project's
// virtual drives.
bool IsVirtualDrive(const DriveEntry& entry);

// Sets `matched`, and for a matched drive `bank` and `upToDate`, of one table
// row from the package's constraint table. Rows that are not present, and
// every row of a package whose image area is empty, end unmatched.
void MatchEntry(DriveEntry& entry, const pkg::PackageReader& package, std::uint16_t howManyBin,
                bool n2oMessage);
