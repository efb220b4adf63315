#include "abandoned_requests.h"

#include <atomic>
#include <new>

namespace {

// A list that only grows: records are pushed from whichever thread abandons
// a request and never removed, so no lock is needed and nothing on it is
// ever freed, not even at exit (the ASPI manager's thread may still run
// while static destructors do).
struct KeptRequest {
    AbandonedAspiRequest request;
    KeptRequest* next;
};

std::atomic<KeptRequest*> keptHead{nullptr};
std::atomic<std::uint32_t> keptCount{0};

}  // namespace

void KeepForProcessLifetime(const AbandonedAspiRequest& request) {
    auto* record = new (std::nothrow) KeptRequest{request, keptHead.load(std::memory_order_relaxed)};
    if (record == nullptr) return;
    while (!keptHead.compare_exchange_weak(record->next, record, std::memory_order_release,
                                           std::memory_order_relaxed)) {
    }
    keptCount.fetch_add(1, std::memory_order_relaxed);
}

std::uint32_t KeptAspiRequestCount() { return keptCount.load(std::memory_order_relaxed); }
