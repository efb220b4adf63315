// What the fuzz targets share: a check that stops the run on a broken
// invariant, so libFuzzer saves the input that broke it.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace fuzz {

// Not assert(), which NDEBUG removes: a broken invariant must abort in every
// build type.
inline void Require(bool holds, const char* invariant) {
    if (holds) return;
    std::fprintf(stderr, "invariant broken: %s\n", invariant);
    std::abort();
}

}  // namespace fuzz
