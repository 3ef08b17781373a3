// The placeholders of a template where they stand, and what the runs of each
// mode do with every one of them.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>
#include <vector>

#include "check/check_result.h"
#include "docx/template_inspection.h"
#include "generation/placeholder_rules.h"

namespace reportword::check {

// How many occurrences of the rule's placeholder documents 1 and 2 replace,
// for a template whose first section has `header_count` headers.
std::array<int, 2> ReplacedPerDocument(const PlaceholderRule& rule, int header_count);

// Every occurrence of the placeholders, matched as the search matches them,
// by section, then header, footer and body.
std::vector<Occurrence> FindOccurrences(const docx::TemplateInspection& inspection);

// Whether a generated document shows the header or footer `story`: the last
// section has it in force, for a kind of page the document has.
bool IsShown(const docx::TemplateInspection& inspection, const docx::InspectedStory& story);

// Where a paragraph of `story` stands.
Place PlaceOf(const docx::InspectedStory& story, const docx::InspectedParagraph& paragraph);

// How often `needle` occurs in `text`, as one search after the other finds it.
std::size_t CountOccurrences(std::u32string_view text, std::u32string_view needle);

}  // namespace reportword::check
