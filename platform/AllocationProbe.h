// The allocations whose failure must end a run as "out of memory" rather
// than as a crash or a wrong document: the canvas's point lists and clip
// regions, the metafile's records, the start's temporary folder, the Word
// model's XML and the cells of the workbook writer. Each asks here first, so that a test can make the n-th of
// them fail as it fails when memory runs out.
#pragma once

#include <QtGlobal>

namespace pit {

enum class AllocSite : int {
    Points,
    Clip,
    MetafileRecord,
    TempFolder,
    Xml,      // a block of an XML tree (the Word model's parts, the record log)
    Workbook, // a cell handed to the workbook library (in its writing process)
    Count
};

// Throws std::bad_alloc when a test armed this allocation to fail.
void ProbeAllocation(AllocSite site);
[[noreturn]] void ThrowBadAlloc();

// Tests: the allocations at site are counted from now on, and from the n-th
// (0-based) on every one fails, as when memory has run out (-1: none).
// Arming again restarts the count.
void FailAllocationsFrom(AllocSite site, long nth);
long AllocationsAt(AllocSite site);
// The n armed at site (-1: none), for a process of its own to arm alike.
long ArmedAllocationFailure(AllocSite site);

// For a process of its own that a test armed to run out (it may die of it):
// from now on memory is gone for every allocation of the process, those of
// the libraries included, as no more address space is allowed than is
// mapped and what is free is taken. Under AddressSanitizer, whose allocator
// keeps a reserve of its own, it throws std::bad_alloc instead.
void RunOutOfMemory();

// Room for count items in a Qt list, checked: a QList sized at once (as
// QPolygon(n)) writes through a failed allocation instead of throwing.
template <typename List> void ReserveChecked(List& list, qsizetype count, AllocSite site) {
    ProbeAllocation(site);
    list.reserve(count);
    if (list.capacity() < count)
        ThrowBadAlloc();
}

} // namespace pit
