// norvek-flash uploads the loaders of the updater file it was given, never
// loaders of its own. This definition of the chip table's LoaderStore()
// takes the place of the store a Windows build embeds; as it is linked into
// the program as an object, the linker never pulls the embedded store out of
// its library (a test checks that the program carries no loader record).
#include <atomic>

#include "loader_store_source.h"
#include "src/flash/chip_table.h"

namespace {

std::atomic<const std::uint8_t*> gStore{nullptr};

}  // namespace

void UseLoaderStore(const std::uint8_t* store) { gStore.store(store); }

const std::uint8_t* LoaderStore() { return gStore.load(); }
