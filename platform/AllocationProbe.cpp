#include "platform/AllocationProbe.h"

#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <sys/resource.h>
#include <unistd.h>

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

long ArmedAllocationFailure(AllocSite site) {
    return g_probes[size_t(site)].failFrom.load();
}

void RunOutOfMemory() {
#if defined(__SANITIZE_ADDRESS__)
    ThrowBadAlloc();
#else
    static bool gone = false;
    if (gone)
        return;
    gone = true;
    unsigned long pages = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%lu", &pages) != 1)
            pages = 0;
        std::fclose(f);
    }
    if (pages == 0)
        ThrowBadAlloc();
    const rlim_t mapped = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE));
    const rlimit limit{mapped, mapped};
    if (setrlimit(RLIMIT_AS, &limit) != 0)
        ThrowBadAlloc();
    // The heap's free blocks, big ones first, then every small size the
    // allocator keeps apart. They are never given back: the process ends.
    // (Through a volatile, or the compiler drops an allocation never used.)
    void* volatile taken = nullptr;
    const auto takeAll = [&taken](size_t size) {
        do
            taken = std::malloc(size);
        while (taken != nullptr);
    };
    for (size_t size = size_t(1) << 24; size > 1024; size /= 2)
        takeAll(size);
    for (size_t size = 1024; size > 0; size -= 8)
        takeAll(size);
#endif
}

} // namespace pit
