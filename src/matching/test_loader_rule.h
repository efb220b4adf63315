// The generated test loaders are random bytes to a real drive's controller:
// whoever carries them (a test build of the window, an updater file packed
// with them) flashes only the project's virtual drives, which answer INQUIRY
// bytes 36-51 with a marker no real drive sends.
#pragma once

#include "identity.h"

namespace matching {

bool IsVirtualDrive(const Identity& drive);

// True when `testLoaders` and the drive is not one of the virtual drives:
// then it is left alone, whatever the package's rules say.
bool TestLoadersForbid(const Identity& drive, bool testLoaders);

}  // namespace matching
