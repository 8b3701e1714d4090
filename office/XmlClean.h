// An XML tree made fit to save: every text, attribute value, comment and
// processing instruction without the characters XML 1.0 does not allow, so
// that every reader opens what we write (pugixml would write them as
// character references, which no conforming parser accepts).
#pragma once

#include <pugixml.hpp>

namespace pit {

// Cleans node, its attributes and everything below it; true when anything changed.
bool DropNonXmlChars(pugi::xml_node node);

} // namespace pit
