// The sections of a document's body: where they break, which headers and
// footers are in force for each, and the collapse of all of them into the
// last one when the body is replaced.
#pragma once

#include <pugixml.hpp>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "docx/document_state.h"
#include "docx/header_kind.h"

namespace reportword::docx {

// How many headers the first section has, as a word processor counts them:
// every kind, whether the template defines it or not.
inline int FirstSectionHeaderCount(const DocumentState&) {
  return kHeaderFooterKinds;
}

// A section's header and footer references in force, by element
// ("headerReference" or "footerReference") and kind, to relationship id.
using ReferencesInForce = std::map<std::pair<std::string, std::string>, std::string>;

// The section properties of the paragraphs that end every section but the
// last, in document order.
std::vector<pugi::xml_node> SectionBreaks(const DocumentState& doc);

// Puts the references that `sect` has of its own into `in_force`, over those of
// the same element and kind: what a section shows, from what the section
// before it shows.
void ApplyOwnReferences(const pugi::xml_node& sect, ReferencesInForce& in_force);

// Where a header or footer reference of the main part leads.
struct ReferencedPart {
  enum Problem { kFound, kNoRelationship, kExternal, kOutsidePackage, kMissing };
  Problem problem = kFound;
  std::string target;  // the relationship's target, once there is a relationship
  std::string part;    // the part name it resolves to, when inside the package
};
ReferencedPart ResolveReference(const DocumentState& doc, const std::string& id);

// Gives `last`, the last section's properties, as references of its own
// every header and footer kind it inherited from the sections before it, and
// puts all its references first, in the order the word processor writes them.
void KeepInheritedReferences(const std::vector<pugi::xml_node>& breaks, pugi::xml_node last);

// The header part of the given kind of the first section, loaded; nullptr
// when the section has none. `part_out` receives its part name.
pugi::xml_document* FirstSectionHeader(DocumentState& doc, HeaderFooterKind kind,
                                       std::string* part_out);

}  // namespace reportword::docx
