// The loader store a Windows build carries inside the program, written in
// at build time from the maker's loader file or the generated test set,
// behind the record tools look for. norvek-flash links none: it uploads
// the loaders of the updater file it was given.
#pragma once

#include "chip_table.h"

LoaderStore EmbeddedLoaderStore();
// Whether the embedded store is the generated test set, as the build's
// record says: such a build may flash only the project's virtual drives.
bool EmbeddedLoaderStoreIsTestSet();
