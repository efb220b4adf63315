// Where the flash procedure takes its loaders from in norvek-flash: the
// checked store inside the updater file (UpdaterFile::LoaderStoreBytes),
// set once before any drive is flashed and kept for the process's life.
#pragma once

#include <cstdint>

void UseLoaderStore(const std::uint8_t* store);
