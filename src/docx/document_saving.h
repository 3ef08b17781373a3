// Saving a document: the new package (pruned, with the properties of a new
// document), written atomically as .docx or converted to .pdf/.odt by
// LibreOffice, as the target's extension asks.
#pragma once

#include <string>

#include "docx/document_state.h"

namespace reportword::docx {

// The package a .docx target gets, saved at the application's clock.
std::string SavedPackage(const DocumentState& doc, const ApplicationState& app);
// Saves as the target's extension asks. A .pdf or .odt document 1, whose
// document 2 is to be converted to the same format, is held back and
// converted together with it, in one LibreOffice start, then saved first.
void SaveDocument(DocumentState& doc, const std::string& file_name, ApplicationState& app);

// Converts and saves a held document alone (document 2 did not come), if there
// is one.
void SaveHeldDocument(ApplicationState& app);

}  // namespace reportword::docx
