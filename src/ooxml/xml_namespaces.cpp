#include "ooxml/xml_namespaces.h"

namespace reportword::docx {
namespace {

constexpr const char* kXmlNamespace = "http://www.w3.org/XML/1998/namespace";

struct SplitName {
  std::string_view prefix;
  std::string_view local;
};

SplitName Split(std::string_view name) {
  const std::size_t colon = name.find(':');
  if (colon == std::string_view::npos) return {{}, name};
  return {name.substr(0, colon), name.substr(colon + 1)};
}

// The prefix an "xmlns" or "xmlns:p" attribute declares; false for others.
bool DeclaredPrefix(std::string_view attribute_name, std::string_view* prefix) {
  if (attribute_name == "xmlns") {
    *prefix = {};
    return true;
  }
  if (attribute_name.starts_with("xmlns:")) {
    *prefix = attribute_name.substr(6);
    return true;
  }
  return false;
}

std::string PrefixInScope(const pugi::xml_node& context, const char* ns, bool for_attribute) {
  const std::string_view wanted(ns);
  for (pugi::xml_node e = context; e && e.type() == pugi::node_element; e = e.parent()) {
    for (const pugi::xml_attribute& attr : e.attributes()) {
      std::string_view prefix;
      if (!DeclaredPrefix(attr.name(), &prefix) || wanted != attr.value()) continue;
      if (for_attribute && prefix.empty()) continue;  // unprefixed attributes have no namespace
      // A nearer declaration may rebind the same prefix.
      const char* bound = LookupNamespace(context, prefix);
      if (bound && wanted == bound) return std::string(prefix);
    }
  }
  if (wanted == kXmlNamespace) return "xml";
  return "\x01";  // no prefix in scope; never a valid prefix
}

std::string Qualified(std::string_view prefix, std::string_view local) {
  std::string name;
  if (!prefix.empty()) name.append(prefix).push_back(':');
  name.append(local);
  return name;
}

// A prefix for a new declaration on `element`: `fallback`, or a numbered
// variant of it when the element itself already declares that prefix.
std::string FreshPrefix(const pugi::xml_node& element, const char* fallback) {
  std::string prefix = fallback;
  for (int n = 1; element.attribute(("xmlns:" + prefix).c_str()); ++n) {
    prefix = std::string(fallback) + std::to_string(n);
  }
  return prefix;
}

}  // namespace

const char* LookupNamespace(const pugi::xml_node& element, std::string_view prefix) {
  if (prefix == "xml") return kXmlNamespace;
  for (pugi::xml_node e = element; e && e.type() == pugi::node_element; e = e.parent()) {
    for (const pugi::xml_attribute& attr : e.attributes()) {
      std::string_view declared;
      if (DeclaredPrefix(attr.name(), &declared) && declared == prefix) {
        // xmlns="" takes the default namespace away again.
        return *attr.value() ? attr.value() : nullptr;
      }
    }
  }
  return nullptr;
}

std::string_view NamespaceOf(const pugi::xml_node& element) {
  const char* ns = LookupNamespace(element, Split(element.name()).prefix);
  return ns ? ns : "";
}

std::string_view LocalNameOf(const pugi::xml_node& element) {
  return Split(element.name()).local;
}

bool IsElement(const pugi::xml_node& node, const char* ns, std::string_view local) {
  if (node.type() != pugi::node_element) return false;
  // The local name is compared first: it rules out nearly every element
  // without a walk up the tree.
  const SplitName name = Split(node.name());
  if (name.local != local) return false;
  const char* bound = LookupNamespace(node, name.prefix);
  return bound && std::string_view(bound) == ns;
}

pugi::xml_node ChildElement(const pugi::xml_node& parent, const char* ns, std::string_view local) {
  for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling()) {
    if (IsElement(child, ns, local)) return child;
  }
  return {};
}

pugi::xml_attribute AttributeIn(const pugi::xml_node& element, const char* ns,
                                std::string_view local) {
  for (pugi::xml_attribute attr = element.first_attribute(); attr; attr = attr.next_attribute()) {
    const SplitName name = Split(attr.name());
    if (name.prefix.empty() || name.prefix == "xmlns" || name.local != local) continue;
    const char* bound = LookupNamespace(element, name.prefix);
    if (bound && std::string_view(bound) == ns) return attr;
  }
  return {};
}

std::string QualifiedNameInScope(const pugi::xml_node& context, const char* ns,
                                 std::string_view local) {
  const std::string prefix = PrefixInScope(context, ns, false);
  return prefix == "\x01" ? std::string() : Qualified(prefix, local);
}

pugi::xml_node InsertElement(pugi::xml_node parent, const char* ns, std::string_view local,
                             const char* fallback_prefix, const pugi::xml_node& before) {
  std::string name = QualifiedNameInScope(parent, ns, local);
  const bool declare = name.empty();
  if (declare) name = Qualified(fallback_prefix, local);
  pugi::xml_node element =
      before ? parent.insert_child_before(name.c_str(), before) : parent.append_child(name.c_str());
  if (declare) element.append_attribute(("xmlns:" + std::string(fallback_prefix)).c_str()) = ns;
  return element;
}

void SetAttributeIn(pugi::xml_node element, const char* ns, std::string_view local,
                    const char* fallback_prefix, const char* value) {
  if (pugi::xml_attribute existing = AttributeIn(element, ns, local)) {
    existing.set_value(value);
    return;
  }
  std::string prefix = PrefixInScope(element, ns, true);
  if (prefix == "\x01") {
    prefix = FreshPrefix(element, fallback_prefix);
    element.append_attribute(("xmlns:" + prefix).c_str()) = ns;
  }
  element.append_attribute(Qualified(prefix, local).c_str()) = value;
}

}  // namespace reportword::docx
