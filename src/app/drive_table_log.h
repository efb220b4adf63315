// The drives' identities and what the package decided for each, as run log
// lines: written after discovery and again after a run's re-inquiry, so the
// log shows every drive before and after.
#pragma once

#include "../drive/drive_manager.h"

// One "identity" line per present row of `m`'s table (after matching).
void LogDriveTable(const DriveManager& m);
