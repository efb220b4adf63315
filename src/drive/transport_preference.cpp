#include "transport_preference.h"

#include <atomic>

namespace {

// Written once by the window before any manager exists; managers built later
// (also those handed to worker threads) only read it.
std::atomic<std::int32_t> applicationTag{0};

}  // namespace

void SetApplicationTag(std::int32_t tag) { applicationTag.store(tag, std::memory_order_release); }

std::int32_t ApplicationTag() { return applicationTag.load(std::memory_order_acquire); }

bool PreferAspi() { return ApplicationTag() == kPreferAspiTag; }
