// Parsing and writing the XML parts of a package, with the safety rules that
// hostile templates need and the namespace prefixes a part actually uses.
#pragma once

#include <pugixml.hpp>

#include <string>
#include <string_view>

namespace reportword::docx {

inline constexpr const char* kWordNamespace =
    "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
inline constexpr const char* kRelationshipsNamespace =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
inline constexpr const char* kMarkupCompatibilityNamespace =
    "http://schemas.openxmlformats.org/markup-compatibility/2006";

// Parses `content` as the part `part_name`. A document type declaration is
// refused (entity definitions could expand without bound); pugixml never
// expands entities beyond the five predefined ones. Throws GenerationError
// naming the template and part on malformed XML.
void ParseXmlPart(pugi::xml_document& doc, std::string_view content, const std::string& part_name,
                  const std::string& package_name);

// Serialises a part exactly as pugixml holds it, without reformatting.
std::string WriteXmlPart(const pugi::xml_document& doc);

// Qualified element names of one part: the prefix bound to a namespace on the
// root element ("w:" in nearly every file, but not guaranteed).
class XmlNames {
 public:
  XmlNames() = default;
  explicit XmlNames(const pugi::xml_node& root);

  // "w:" + local (or just local when the namespace is the default one).
  std::string W(std::string_view local) const { return word_prefix_ + std::string(local); }
  std::string R(std::string_view local) const { return rel_prefix_ + std::string(local); }
  std::string Mc(std::string_view local) const { return mc_prefix_ + std::string(local); }
  bool IsW(const pugi::xml_node& node, std::string_view local) const;
  bool IsMc(const pugi::xml_node& node, std::string_view local) const;

 private:
  std::string word_prefix_ = "w:";
  std::string rel_prefix_ = "r:";
  std::string mc_prefix_ = "mc:";
};

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
