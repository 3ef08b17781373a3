// The document properties (docProps/core.xml and app.xml) of a new document
// made from a template, as a word processor sets them when it saves one.
#pragma once

#include <pugixml.hpp>

#include <chrono>
#include <map>
#include <string>

#include "package/template_package.h"

namespace reportword::docx {

// Sets the properties of the document saved at `saved_at`: creation and
// modification time that moment, revision 1, no time of last printing; the
// template's file name as its template, and none of the template's page, word
// and line counts. Title, subject, author, keywords and the other descriptive
// properties stay as the template has them. The core properties part is
// created when the template has none.
//
// The parts found through the package relationships are rewritten only where
// they change; the new or changed ones are put into `replaced` (part name to
// contents), and a new part's content type into `content_types`.
void SetNewDocumentProperties(const TemplatePackage& package, const std::string& template_file_name,
                              std::chrono::system_clock::time_point saved_at,
                              pugi::xml_document& content_types,
                              std::map<std::string, std::string>& replaced);

}  // namespace reportword::docx
