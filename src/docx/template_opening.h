// Opening a template as a new document: the package is read (converted by
// LibreOffice first when it is in a format the engine does not read), its
// main part found and checked, and its content type made a document's.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "docx/document_state.h"
#include "system/libreoffice.h"

namespace reportword::docx {

// Reads the templates at `paths` and converts those in other formats: the
// templates one import filter reads in one LibreOffice start, and none that
// the cache holds. What cannot be read or converted keeps its failure, thrown
// when that template is opened. The files read are added to the run's files.
void PrepareTemplates(const std::vector<std::string>& paths, ApplicationState& app);

// The template at `path` as a new document, prepared before or now. Throws
// Failure naming the template when it cannot be used.
std::shared_ptr<DocumentState> OpenTemplate(const std::string& path, ApplicationState& app);
// The same for the bytes of an OOXML package already in memory, which `name`
// stands for in messages; nothing is converted.
std::shared_ptr<DocumentState> OpenTemplateBytes(std::string bytes, const std::string& name);

}  // namespace reportword::docx
