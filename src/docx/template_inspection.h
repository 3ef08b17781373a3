// A template described as a generation will treat it, for a template check
// to judge: its sections and the headers and footers each one shows, what a
// generated document keeps of the last section, and the text of every header,
// footer and body paragraph as the header search sees it, together with the
// text the search leaves out. It knows nothing of placeholders.
#pragma once

#include <string>
#include <vector>

#include "docx/header_kind.h"
#include "system/libreoffice.h"

namespace reportword::docx {

enum class StoryPart { kHeader, kFooter, kBody };

struct InspectedParagraph {
  // The visible text as the header search matches on it: as written, and
  // case folded code point by code point.
  std::u32string written;
  std::u32string folded;
  bool in_text_box = false;
  int section = 1;  // of a body paragraph: the section it stands in
  // The folded text with what the search does not see, or without what it
  // sees, one difference each.
  std::u32string with_deleted_text;
  std::u32string with_field_instructions;
  std::u32string without_field_results;
  std::u32string without_soft_hyphens;
};

// A header or footer part, or the body.
struct InspectedStory {
  StoryPart part = StoryPart::kBody;
  std::string part_name;  // empty for the body
  // Of a header or footer: the first section that refers to it, and how.
  int section = 1;
  HeaderFooterKind kind = HeaderFooterKind::kDefault;
  std::vector<InspectedParagraph> paragraphs;
};

struct HeaderFooterReference {
  StoryPart part = StoryPart::kHeader;  // kHeader or kFooter
  HeaderFooterKind kind = HeaderFooterKind::kDefault;
  std::string part_name;
};

struct TemplateInspection {
  // Per section, the headers and footers in force for it, its own and those it
  // inherits. Once the body is replaced only the last section is left, and
  // its references are all a document has.
  std::vector<std::vector<HeaderFooterReference>> sections;
  std::string first_primary_header;      // the part a run fills; empty when there is none
  bool last_section_title_page = false;  // a first page with a header of its own
  int last_section_columns = 1;
  bool even_and_odd_headers = false;  // from the settings: even pages have headers of their own
  // Every header and footer part referred to, in order of first reference,
  // then the body.
  std::vector<InspectedStory> stories;
  // How often a document searches for a placeholder searched once per header
  // of the first section, as the run asks the engine.
  int first_section_header_count = 0;
  // For a template in another format: what every run costs for it.
  std::optional<TemplateConversion> conversion;
};

// Opens the template as a generation does (converting other formats first)
// and describes it. Throws Failure, with the message a generation
// would give, when the template cannot be used. A header or footer that only
// another section refers to and that cannot be read is left out, as a
// generation never reads it.
TemplateInspection InspectTemplate(const std::string& path, const ConversionOptions& conversion);

}  // namespace reportword::docx
