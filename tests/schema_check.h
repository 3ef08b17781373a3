// The schema check of the documents the tests write, done here rather than by
// a tool beside the project, so that a fresh clone validates every document:
// the main part, the headers and the footers against transitional
// WordprocessingML, after the markup-compatibility preprocessing a consumer
// applies; [Content_Types].xml and every relationship part against the
// packaging schemas; and what the schemas cannot say (the main part and its
// content type, internal relationship targets that exist, a body that does
// not end with a table, which word processors repair).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace reportword::test {

// The faults of the package at `docx`, one line each naming the part; none
// for a valid document.
std::vector<std::string> SchemaFaults(const std::filesystem::path& docx);

}  // namespace reportword::test
