#include "decision.h"

#include "src/matching/matching.h"
#include "src/platform/word_sort.h"

namespace nflash {

bool IsPackageDrive(const Identity& identity, const pkg::PackageReader& package) {
    return matching::IsPackageDrive(identity, package, CurrentSettings(), wordsort::Collate);
}

Decision Decide(const Identity& identity, const pkg::PackageReader& package) {
    return matching::Decide(identity, package, CurrentSettings(), wordsort::Collate);
}

}  // namespace nflash
