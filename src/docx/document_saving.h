// Saving a document: the new package (pruned, with the properties of a new
// document), written atomically as .docx or converted to .pdf/.odt by
// LibreOffice, as the target's extension asks.
#pragma once

#include <string>

#include "docx/document_state.h"

namespace reportword::docx {

// The package a .docx target gets, saved at the application's clock.
std::string SavedPackage(const DocumentState& doc, const ApplicationState& app);
void SaveDocument(DocumentState& doc, const std::string& file_name, const ApplicationState& app);

}  // namespace reportword::docx
