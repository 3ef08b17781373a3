// The sections of a document's body: where they break, which headers and
// footers are in force for each, and the collapse of all of them into the
// last one when the body is replaced.
#pragma once

#include <pugixml.hpp>

#include <string>
#include <vector>

#include "docgen/wordproc/docx/document_state.h"

namespace reportword::docx {

// The section properties of the paragraphs that end every section but the
// last, in document order.
std::vector<pugi::xml_node> SectionBreaks(const DocumentState& doc);

// Gives `last`, the last section's properties, as references of its own
// every header and footer kind it inherited from the sections before it.
void KeepInheritedReferences(const std::vector<pugi::xml_node>& breaks, pugi::xml_node last);

// The header part of the given kind ("default", "first", "even") of the first
// section, loaded; nullptr when the section has none. `part_out` receives its
// part name.
pugi::xml_document* FirstSectionHeader(DocumentState& doc, const char* kind, std::string* part_out);

}  // namespace reportword::docx
