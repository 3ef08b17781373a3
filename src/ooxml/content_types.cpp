#include "ooxml/content_types.h"

#include <string_view>

#include "ooxml/xml_namespaces.h"
#include "package/template_package.h"

namespace reportword::docx {
namespace {

bool IsOverrideOf(const pugi::xml_node& node, std::string_view part) {
  const std::string_view part_name = node.attribute("PartName").value();
  return IsElement(node, kContentTypesNamespace, "Override") && part_name.starts_with('/') &&
         PartNameKey(std::string(part_name.substr(1))) == PartNameKey(std::string(part));
}

}  // namespace

pugi::xml_node OverrideFor(const pugi::xml_document& types, const std::string& part) {
  for (pugi::xml_node node : types.document_element().children()) {
    if (IsOverrideOf(node, part)) return node;
  }
  return {};
}

void SetOverride(pugi::xml_document& types, const std::string& part, const char* type) {
  pugi::xml_node node = OverrideFor(types, part);
  if (!node) {
    node = InsertElement(types.document_element(), kContentTypesNamespace, "Override", "ct");
    node.append_attribute("PartName") = ("/" + part).c_str();
  }
  pugi::xml_attribute content_type = node.attribute("ContentType");
  if (!content_type) content_type = node.append_attribute("ContentType");
  content_type = type;
}

void RemoveOverrides(pugi::xml_document& types, const std::set<std::string>& parts) {
  if (parts.empty()) return;
  std::set<std::string> keys;
  for (const std::string& part : parts) keys.insert(PartNameKey(part));
  pugi::xml_node root = types.document_element();
  for (pugi::xml_node node = root.first_child(); node;) {
    pugi::xml_node next = node.next_sibling();
    const std::string_view part_name = node.attribute("PartName").value();
    if (IsElement(node, kContentTypesNamespace, "Override") && part_name.starts_with('/') &&
        keys.count(PartNameKey(std::string(part_name.substr(1))))) {
      root.remove_child(node);
    }
    node = next;
  }
}

void RemoveDefaultsOfType(pugi::xml_document& types, std::string_view content_type) {
  pugi::xml_node root = types.document_element();
  for (pugi::xml_node node = root.first_child(); node;) {
    pugi::xml_node next = node.next_sibling();
    if (IsElement(node, kContentTypesNamespace, "Default") &&
        node.attribute("ContentType").value() == content_type) {
      root.remove_child(node);
    }
    node = next;
  }
}

}  // namespace reportword::docx
