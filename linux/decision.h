// What the package would do to a drive: the window's own matching
// (src/matching) on the drive's identity, with the package's Settings and
// the word sort that copies the window's collation.
#pragma once

#include "src/matching/decision.h"
#include "src/matching/identity.h"
#include "src/matching/test_loader_rule.h"
#include "src/package/package_reader.h"

namespace nflash {

using matching::Decision;
using matching::Identity;
using matching::TestLoadersForbid;

// Why a file that carries the generated test loaders leaves a drive alone.
inline constexpr char kTestLoadersOnVirtualDrivesOnly[] =
    "this file carries test loaders and can flash only the project's virtual drives";

// Whether the drive is one the package is made for. Only such a drive is
// sent the vendor's own commands outside a flash.
bool IsPackageDrive(const Identity& identity, const pkg::PackageReader& package);

// The window's decision for one drive, with the package's HOW_MANY_BIN and
// N2OMESSAGE (the process-wide Settings, read once).
Decision Decide(const Identity& identity, const pkg::PackageReader& package);

}  // namespace nflash
