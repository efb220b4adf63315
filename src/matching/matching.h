// Which firmware bank of a package, if any, a drive may receive: the
// package's constraint table read against the drive's identity. Pure: the
// same identity, package, settings and collation always give the same
// decision, and nothing is written anywhere. The window copies the decision
// into its drive table; the Linux edition uses it as it is.
#pragma once

#include <string_view>

#include "../package/package_reader.h"
#include "../package/settings.h"
#include "decision.h"
#include "identity.h"

namespace matching {

// The platform's locale collation: less (< 0), equal (0) or greater (> 0).
// Every comparison of matching goes through it, so the window on Windows
// (CompareStringA) and the Linux edition (the word sort that copies it)
// decide alike.
using Collation = int (*)(std::string_view a, std::string_view b);

// Searches the banks in use (HOW_MANY_BIN, at most four) in order; the
// first whose slots admit the drive wins. A slot admits a drive when each
// of its vendor, product, lowest and highest revision is empty or holds
// (the range inclusive); a bank whose first slot is unfilled admits every
// drive. A package whose image area still holds the template marker admits
// none. `upToDate` needs N2OMESSAGE on.
Decision Decide(const Identity& drive, const pkg::PackageReader& package, const Settings& settings,
                Collation collate);

// Whether the drive is one the package is made for: some filled slot of a
// bank in use names its vendor and product (revisions aside). A wholly
// unfilled bank, which admits any drive, names none.
bool IsPackageDrive(const Identity& drive, const pkg::PackageReader& package, const Settings& settings,
                    Collation collate);

}  // namespace matching
