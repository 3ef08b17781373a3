// The body of a document: clearing the template's body for the generated one
// (the sections collapse into the last), and writing the main part with the
// generated body in the place of the marker.
#pragma once

#include <string>

#include "docx/document_state.h"

namespace reportword::docx {

// Replaces every block of the body by the marker where the generated body
// will go; only the last section's properties stay, with every header and
// footer in force for that section.
void ClearBody(DocumentState& doc);

// The main part as it is saved: with the body's table in the marker's place
// once one was laid out.
std::string SerialiseMainPart(const DocumentState& doc);

}  // namespace reportword::docx
