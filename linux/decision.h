// What the package would do to a drive, decided by the window's own
// matching (MatchEntry) on the drive's identity.
#pragma once

#include <cstdint>
#include <string>

#include "src/drive/table/drive_entry.h"
#include "src/package/package_reader.h"

namespace nflash {

// The identity matching reads: INQUIRY's vendor, product and revision,
// raw and space-padded as the drive sends them.
struct Identity {
    std::string vendor;    // 8 characters
    std::string product;   // 16
    std::string revision;  // 4
    std::string vendorSpecific;

    bool Empty() const { return vendor.empty() && product.empty() && revision.empty(); }
    // "VELMORA DVDRW KTV-360R 1.02", blanks at the ends of each field dropped.
    std::string Text() const;
};

struct Decision {
    bool matched = false;
    int bank = 0;           // 0..3, for a matched drive
    bool upToDate = false;  // the window's flag: only with N2OMESSAGE on
    std::string from;       // the drive's revision ("%.4s")
    std::string to;         // the bank's new revision, whole, as the window shows it

    // "from 1.02 to 1.05", "up to date (1.05)", "not allowed".
    std::string Text() const;
};

// The generated test loaders are random bytes to a real drive's controller:
// a file that carries them flashes only drives that answer INQUIRY with the
// marker of the project's virtual drives, whatever the options say.
inline constexpr char kTestLoadersOnVirtualDrivesOnly[] =
    "this file carries test loaders and can flash only the project's virtual drives";
bool TestLoadersForbid(const Identity& identity, bool testLoaders);

// A table row as the window's discovery fills it, for the matching.
DriveEntry EntryFor(const Identity& identity);

// Whether the drive is one the package is made for: some slot of a bank in
// use names its vendor and product (revisions aside). Only such a drive is
// sent the vendor's own commands outside a flash; a wholly unfilled bank,
// which admits any drive, names none.
bool IsPackageDrive(const Identity& identity, const pkg::PackageReader& package);

// The window's decision for one drive: MatchEntry with the package's
// HOW_MANY_BIN and N2OMESSAGE (the process-wide Settings, read once).
Decision Decide(const Identity& identity, const pkg::PackageReader& package);

}  // namespace nflash
