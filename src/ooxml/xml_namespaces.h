// Element and attribute names matched by namespace, as an XML reader resolves
// them: a prefix means whatever the nearest declaration in scope binds it to.
// Real parts declare namespaces on the root, on inner elements, or under other
// prefixes than the usual "w:" and "r:"; all of them mean the same markup.
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
inline constexpr const char* kPackageRelationshipsNamespace =
    "http://schemas.openxmlformats.org/package/2006/relationships";
inline constexpr const char* kContentTypesNamespace =
    "http://schemas.openxmlformats.org/package/2006/content-types";
// The same vocabularies in Strict Open XML, which this engine does not write.
inline constexpr const char* kStrictWordNamespace =
    "http://purl.oclc.org/ooxml/wordprocessingml/main";

// The namespace `prefix` ("" for the default namespace) is bound to at
// `element`; nullptr when it is not bound there.
const char* LookupNamespace(const pugi::xml_node& element, std::string_view prefix);

// The namespace of an element's own name; "" when it has none.
std::string_view NamespaceOf(const pugi::xml_node& element);

// An element's name without its prefix.
std::string_view LocalNameOf(const pugi::xml_node& element);

// Whether `node` is the element `local` of namespace `ns`.
bool IsElement(const pugi::xml_node& node, const char* ns, std::string_view local);
inline bool IsW(const pugi::xml_node& node, std::string_view local) {
  return IsElement(node, kWordNamespace, local);
}
inline bool IsMc(const pugi::xml_node& node, std::string_view local) {
  return IsElement(node, kMarkupCompatibilityNamespace, local);
}

// The first child element `local` of namespace `ns`; empty when there is none.
pugi::xml_node ChildElement(const pugi::xml_node& parent, const char* ns, std::string_view local);
inline pugi::xml_node ChildW(const pugi::xml_node& parent, std::string_view local) {
  return ChildElement(parent, kWordNamespace, local);
}

// The attribute `local` of namespace `ns` on `element` (attributes without a
// prefix are in no namespace); empty when absent.
pugi::xml_attribute AttributeIn(const pugi::xml_node& element, const char* ns,
                                std::string_view local);
inline const char* WordAttribute(const pugi::xml_node& element, std::string_view local) {
  return AttributeIn(element, kWordNamespace, local).value();
}

// A qualified name for a new element or attribute of namespace `ns` placed
// inside `context`: the prefix already bound there (shortest one), so that no
// declaration is needed. Empty when the namespace is not in scope at all.
std::string QualifiedNameInScope(const pugi::xml_node& context, const char* ns,
                                 std::string_view local);

// Creates the element `local` of namespace `ns` as a child of `parent`, before
// `before` when it is given, else at the end. When the namespace is not in
// scope, the new element declares it under `fallback_prefix`.
pugi::xml_node InsertElement(pugi::xml_node parent, const char* ns, std::string_view local,
                             const char* fallback_prefix, const pugi::xml_node& before = {});

// Sets the attribute `local` of namespace `ns` on `element`, reusing a prefix
// in scope or declaring `fallback_prefix` on the element.
void SetAttributeIn(pugi::xml_node element, const char* ns, std::string_view local,
                    const char* fallback_prefix, const char* value);

}  // namespace reportword::docx
