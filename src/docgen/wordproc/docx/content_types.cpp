#include "docgen/wordproc/docx/content_types.h"

#include <string_view>

#include "text/unicode.h"

namespace reportword::docx {
namespace {

// "Override" with the prefix the root element uses, so that added entries
// land in the content-types namespace whichever way the part binds it.
std::string EntryName(const pugi::xml_document& types, const char* local) {
  const std::string_view root = types.document_element().name();
  const std::size_t colon = root.find(':');
  return std::string(colon == std::string_view::npos ? "" : root.substr(0, colon + 1)) + local;
}

std::string OverrideName(const pugi::xml_document& types) {
  return EntryName(types, "Override");
}

bool IsOverrideOf(const pugi::xml_node& node, const std::string& name, std::string_view part) {
  const std::string_view part_name = node.attribute("PartName").value();
  return name == node.name() && part_name.starts_with('/') &&
         text::EqualsIgnoreCase(part_name.substr(1), part);
}

}  // namespace

pugi::xml_node OverrideFor(const pugi::xml_document& types, const std::string& part) {
  const std::string name = OverrideName(types);
  for (pugi::xml_node node : types.document_element().children()) {
    if (IsOverrideOf(node, name, part)) return node;
  }
  return {};
}

void SetOverride(pugi::xml_document& types, const std::string& part, const char* type) {
  pugi::xml_node node = OverrideFor(types, part);
  if (!node) {
    node = types.document_element().append_child(OverrideName(types).c_str());
    node.append_attribute("PartName") = ("/" + part).c_str();
  }
  pugi::xml_attribute content_type = node.attribute("ContentType");
  if (!content_type) content_type = node.append_attribute("ContentType");
  content_type = type;
}

void RemoveOverrides(pugi::xml_document& types, const std::set<std::string>& parts) {
  if (parts.empty()) return;
  std::set<std::u32string> folded;
  for (const std::string& part : parts) folded.insert(text::FoldCase(part));
  const std::string name = OverrideName(types);
  pugi::xml_node root = types.document_element();
  for (pugi::xml_node node = root.first_child(); node;) {
    pugi::xml_node next = node.next_sibling();
    const std::string_view part_name = node.attribute("PartName").value();
    if (name == node.name() && part_name.starts_with('/') &&
        folded.count(text::FoldCase(part_name.substr(1)))) {
      root.remove_child(node);
    }
    node = next;
  }
}

void RemoveDefaultsOfType(pugi::xml_document& types, std::string_view content_type) {
  const std::string name = EntryName(types, "Default");
  pugi::xml_node root = types.document_element();
  for (pugi::xml_node node = root.first_child(); node;) {
    pugi::xml_node next = node.next_sibling();
    if (name == node.name() && node.attribute("ContentType").value() == content_type) {
      root.remove_child(node);
    }
    node = next;
  }
}

}  // namespace reportword::docx
