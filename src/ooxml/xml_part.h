// Parsing and writing the XML parts of a package, with the safety rules that
// hostile templates need.
#pragma once

#include <pugixml.hpp>

#include <string>
#include <string_view>

namespace reportword::docx {

// Parses `content` as the part `part_name`. A document type declaration is
// refused (entity definitions could expand without bound); pugixml never
// expands entities beyond the five predefined ones. Throws Failure
// naming the template and part on malformed XML.
void ParseXmlPart(pugi::xml_document& doc, std::string_view content, const std::string& part_name,
                  const std::string& package_name);

// `text` with bytes that are not UTF-8 replaced by U+FFFD and the characters
// XML 1.0 forbids (C0 controls but tab, LF and CR; U+FFFE, U+FFFF) dropped.
std::string XmlCleanText(std::string text);

// Serialises a part exactly as pugixml holds it, without reformatting. The
// characters XML 1.0 forbids are removed from its values first; tab, CR and
// LF in attribute values are kept, written as character references.
std::string WriteXmlPart(const pugi::xml_document& doc);

// Walks the subtree below `root` in document order without recursion, so that
// deeply nested hostile XML cannot exhaust the stack. `visit` returns false to
// skip the children of a node.
template <typename Visit>
void WalkSubtree(const pugi::xml_node& root, Visit visit) {
  pugi::xml_node node = root.first_child();
  while (node && node != root) {
    bool descend = visit(node);
    if (descend && node.first_child()) {
      node = node.first_child();
      continue;
    }
    while (node != root && !node.next_sibling()) node = node.parent();
    if (node == root) break;
    node = node.next_sibling();
  }
}

}  // namespace reportword::docx
