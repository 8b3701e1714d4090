// The XML model's memory: pugixml gives the empty node for an append, insert
// or copy that found no memory, and false for a text it could not store, and
// goes on. A document built on from there reads as one that lacks a cell or a
// text, not as one that ran out of memory. With this allocation function, a
// failed allocation throws std::bad_alloc out of the call that needed it.
#pragma once

namespace pit {

// Installs the throwing allocation function for every XML tree of the
// process (once; later calls do nothing).
void UseThrowingXmlAllocation();

} // namespace pit
