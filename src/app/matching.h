// Which firmware bank, if any, a drive may receive.
#pragma once

#include <cstdint>

#include "../drive/table/drive_entry.h"
#include "../package/package_reader.h"

// Whether the row's INQUIRY bytes 36-51 carry the marker of the project's
// virtual drives.
bool IsVirtualDrive(const DriveEntry& entry);

// What a build carrying the generated test loaders adds to the list line of
// a drive it will not flash: any drive that is not one of the project's
// virtual drives, whatever the rules say.
extern const char kTestBuildRealDriveNote[];

// Sets `matched`, and for a matched drive `bank` and `upToDate`, of one table
// row from the package's constraint table. Rows that are not present, and
// every row of a package whose image area is empty, end unmatched.
void MatchEntry(DriveEntry& entry, const pkg::PackageReader& package, std::uint16_t howManyBin,
                bool n2oMessage);
