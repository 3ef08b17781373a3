// Opening a template as a new document: the package is read (converted by
// LibreOffice first when it is in a format the engine does not read), its
// main part found and checked, and its content type made a document's.
#pragma once

#include <memory>
#include <string>

#include "docx/document_state.h"
#include "docx/libreoffice.h"

namespace reportword::docx {

// Throws wordproc::Error naming the template when it cannot be used. The
// file read is added to `run_files` where given.
std::shared_ptr<DocumentState> OpenTemplate(const std::string& path,
                                            const ConversionOptions& conversion,
                                            wordproc::RunFiles* run_files);
// The same for the bytes of an OOXML package already in memory, which `name`
// stands for in messages; nothing is converted.
std::shared_ptr<DocumentState> OpenTemplateBytes(std::string bytes, const std::string& name);

}  // namespace reportword::docx
