// Matching over a whole drive table, as the window and the unattended run
// both do it: the package's decision for every row's identity, written into
// the row, then the test build's own rule. The generated test loaders are
// random bytes to a real drive's controller, so a build that carries them
// offers no drive that is not one of the project's virtual drives (INQUIRY
// bytes 36-51), in any mode.
#pragma once

#include <string>

#include "../drive/drive_manager.h"
#include "../matching/identity.h"
#include "../package/settings.h"

// The row's identity: each field up to its terminator.
matching::Identity RowIdentity(const DriveEntry& entry);

// Sets `matched`, `bank` and `upToDate` of every row of `manager`'s table.
void MatchTable(DriveManager& manager);

// Sets `matched` of one row from the package's decision, and for a matched
// drive `bank` and `upToDate`; an unmatched row keeps its `bank` and
// `upToDate`. Rows that are not present end unmatched.
void MatchEntry(DriveEntry& entry, const pkg::PackageReader& package, const Settings& settings);

// A test build that will not flash this drive, whatever the rules say.
bool TestBuildLeavesAlone(const DriveEntry& entry);

// What the drive's list line ends with: the test build's note for a drive
// it leaves alone, else nothing.
std::string TestBuildNote(const DriveEntry& entry);
