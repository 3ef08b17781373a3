// What of the template's package a new document leaves behind: the macro
// project, and every part that only the replaced body used (its images,
// embedded objects, charts, the headers of its section breaks, and its review
// comments once no comment mark remains), and the thumbnail of its first page.
#pragma once

#include <pugixml.hpp>

#include <map>
#include <set>
#include <string>

#include "package/template_package.h"

namespace reportword::docx {

struct PrunedPackage {
  // Relationship parts without the dropped relationships, and with every
  // target spelled as the package stores its part, by part name; only those
  // that changed.
  std::map<std::string, std::string> rewritten;
  std::set<std::string> dropped_parts;
};

// Works out, for the main part `main_part` as `main_root` now holds it, which
// of its relationships nothing uses any more, and which parts nothing kept
// still reaches without them. Their content-type entries are removed from
// `content_types`. A part that any kept part still reaches always stays.
PrunedPackage PruneUnusedParts(const TemplatePackage& package, const std::string& main_part,
                               const pugi::xml_node& main_root, pugi::xml_document& content_types);

}  // namespace reportword::docx
