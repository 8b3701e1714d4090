#include "platform/AllocationProbe.h"

#include <array>
#include <atomic>
#include <new>

namespace pit {

namespace {

struct Probe {
    std::atomic<long> seen{0};
    std::atomic<long> failFrom{-1};
};
std::array<Probe, size_t(AllocSite::Count)> g_probes;

} // namespace

void ProbeAllocation(AllocSite site) {
    Probe& p = g_probes[size_t(site)];
    const long n = p.seen.fetch_add(1, std::memory_order_relaxed);
    const long from = p.failFrom.load(std::memory_order_relaxed);
    if (from >= 0 && n >= from)
        ThrowBadAlloc();
}

void ThrowBadAlloc() {
    throw std::bad_alloc();
}

void FailAllocationsFrom(AllocSite site, long nth) {
    Probe& p = g_probes[size_t(site)];
    p.failFrom.store(-1);
    p.seen.store(0);
    p.failFrom.store(nth);
}

long AllocationsAt(AllocSite site) {
    return g_probes[size_t(site)].seen.load();
}

} // namespace pit
