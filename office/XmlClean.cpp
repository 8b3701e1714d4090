#include "office/XmlClean.h"

#include "platform/SafeText.h"

#include <string>

namespace pit {

namespace {

bool cleanValue(const char* value, const auto& set) {
    if (!HasNonXmlChars(value))
        return false;
    std::string s(value);
    DropNonXmlChars(s);
    set(s.c_str());
    return true;
}

bool cleanOne(pugi::xml_node n) {
    bool changed = false;
    for (pugi::xml_attribute a : n.attributes())
        changed |= cleanValue(a.value(), [&](const char* v) { a.set_value(v); });
    switch (n.type()) {
    case pugi::node_pcdata:
    case pugi::node_cdata:
    case pugi::node_comment:
    case pugi::node_pi:
        changed |= cleanValue(n.value(), [&](const char* v) { n.set_value(v); });
        break;
    default:
        break;
    }
    return changed;
}

} // namespace

bool DropNonXmlChars(pugi::xml_node node) {
    if (!node)
        return false;
    bool changed = cleanOne(node);
    // Depth first without recursion: deep documents stay off the stack.
    for (pugi::xml_node n = node.first_child(); n;) {
        changed |= cleanOne(n);
        if (n.first_child()) {
            n = n.first_child();
            continue;
        }
        while (n && n != node && !n.next_sibling())
            n = n.parent();
        if (!n || n == node)
            break;
        n = n.next_sibling();
    }
    return changed;
}

} // namespace pit
