// The content-type entries of a package ([Content_Types].xml) for single parts.
#pragma once

#include <pugixml.hpp>

#include <set>
#include <string>
#include <string_view>

namespace reportword::docx {

inline constexpr const char* kContentTypesPart = "[Content_Types].xml";

// The Override entry of `part` ("word/document.xml"); null when it has none.
// Part names compare as PartNameKey does, as packages name parts.
pugi::xml_node OverrideFor(const pugi::xml_document& types, const std::string& part);

// Gives `part` the content type `type` through an Override entry.
void SetOverride(pugi::xml_document& types, const std::string& part, const char* type);

// Removes the Override entries of the given parts.
void RemoveOverrides(pugi::xml_document& types, const std::set<std::string>& parts);

// Removes the Default entries (by extension) that give `content_type`.
void RemoveDefaultsOfType(pugi::xml_document& types, std::string_view content_type);

}  // namespace reportword::docx
