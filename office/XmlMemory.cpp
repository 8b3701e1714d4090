#include "office/XmlMemory.h"

#include "platform/AllocationProbe.h"

#include <cstdlib>
#include <new>
#include <pugixml.hpp>

namespace pit {

namespace {

// pugixml lets its allocation function throw: the tree is left as it was
// before the call, or with the part already made (the document is given up).
void* Allocate(size_t size) {
    ProbeAllocation(AllocSite::Xml);
    void* p = std::malloc(size);
    if (!p)
        ThrowBadAlloc();
    return p;
}

// The library's own pair is malloc and free: trees made before the switch
// are freed the same way.
void Deallocate(void* p) {
    std::free(p);
}

} // namespace

void UseThrowingXmlAllocation() {
    [[maybe_unused]] static const bool installed = [] {
        pugi::set_memory_management_functions(Allocate, Deallocate);
        return true;
    }();
}

} // namespace pit
