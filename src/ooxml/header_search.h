// Find and replace in a WordprocessingML story (a header part), on the text a
// reader sees rather than on the XML: a placeholder split over several runs,
// with proofing marks or bookmarks between them, is still found.
#pragma once

#include <pugixml.hpp>

#include <string>

namespace reportword::docx {

// Replaces the first occurrence of `find_text` (ignoring case) below `story`
// by `replacement`, taken literally; with no replacement it only searches. The replacement takes
// the formatting of the run where the match begins; other runs only lose the matched characters.
// Where a text box exists twice (alternate content and its fallback), both
// copies are changed alike. Returns whether an occurrence was found.
bool ReplaceFirstOccurrence(pugi::xml_node story, const std::string& find_text,
                            const std::string* replacement);

}  // namespace reportword::docx
