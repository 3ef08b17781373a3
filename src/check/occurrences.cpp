#include "check/occurrences.h"

#include <algorithm>
#include <map>

#include "text/unicode.h"

namespace reportword::check {
namespace {

Filling FillingOf(const PlaceholderRule& rule, bool road_renovation_mode,
                  const Occurrence& occurrence, int header_count) {
  Filling replacement;
  if (!FilledInMode(rule, road_renovation_mode) || !occurrence.in_filled_header) return replacement;
  const std::array<int, 2> replaced = ReplacedPerDocument(rule, header_count);
  replacement.document1 = occurrence.number <= replaced[0];
  replacement.document2 = occurrence.number <= replaced[1];
  replacement.when_not_blank = rule.needs_value && (replacement.document1 || replacement.document2);
  return replacement;
}

int PartOrder(StoryPart part) {
  return part == StoryPart::kHeader ? 0 : part == StoryPart::kFooter ? 1 : 2;
}

}  // namespace

std::array<int, 2> ReplacedPerDocument(const PlaceholderRule& rule, int header_count) {
  std::array<int, 2> replaced{};
  for (std::size_t i = 0; i < replaced.size(); ++i)
    replaced[i] = rule.searches[i] == Searches::kOncePerHeader ? header_count : 1;
  return replaced;
}

std::size_t CountOccurrences(std::u32string_view text, std::u32string_view needle) {
  std::size_t count = 0;
  for (std::size_t at = text.find(needle); at != std::u32string_view::npos;
       at = text.find(needle, at + needle.size())) {
    ++count;
  }
  return count;
}

bool IsShown(const docx::TemplateInspection& inspection, const docx::InspectedStory& story) {
  if (story.part == StoryPart::kBody) return false;
  for (const docx::HeaderFooterReference& reference : inspection.sections.back()) {
    if (reference.part != story.part || reference.part_name != story.part_name) continue;
    if (reference.kind == HeaderFooterKind::kDefault) return true;
    if (reference.kind == HeaderFooterKind::kFirst && inspection.last_section_title_page) {
      return true;
    }
    if (reference.kind == HeaderFooterKind::kEven && inspection.even_and_odd_headers) return true;
  }
  return false;
}

Place PlaceOf(const docx::InspectedStory& story, const docx::InspectedParagraph& paragraph) {
  Place place;
  place.section = story.part == StoryPart::kBody ? paragraph.section : story.section;
  place.part = story.part;
  place.kind = story.kind;
  place.text_box = paragraph.in_text_box;
  return place;
}

std::vector<Occurrence> FindOccurrences(const docx::TemplateInspection& inspection) {
  std::vector<Occurrence> found;
  std::map<std::string, int> numbers;  // in the filled header, by placeholder
  for (const docx::InspectedStory& story : inspection.stories) {
    const bool filled = story.part == StoryPart::kHeader &&
                        !inspection.first_primary_header.empty() &&
                        story.part_name == inspection.first_primary_header;
    const bool shown = IsShown(inspection, story);
    for (const docx::InspectedParagraph& paragraph : story.paragraphs) {
      std::vector<std::pair<std::size_t, Occurrence>> in_paragraph;  // by position
      for (const PlaceholderRule& rule : kPlaceholderRules) {
        const std::u32string needle = text::FoldCase(rule.text);
        for (std::size_t at = paragraph.folded.find(needle); at != std::u32string::npos;
             at = paragraph.folded.find(needle, at + needle.size())) {
          Occurrence occurrence;
          occurrence.placeholder = rule.text;
          occurrence.text = text::Utf32ToUtf8(paragraph.written.substr(at, needle.size()));
          occurrence.place = PlaceOf(story, paragraph);
          occurrence.in_filled_header = filled;
          occurrence.number = filled ? ++numbers[rule.text] : 0;
          occurrence.shown = shown;
          occurrence.network =
              FillingOf(rule, false, occurrence, inspection.first_section_header_count);
          occurrence.road =
              FillingOf(rule, true, occurrence, inspection.first_section_header_count);
          in_paragraph.emplace_back(at, std::move(occurrence));
        }
      }
      std::stable_sort(in_paragraph.begin(), in_paragraph.end(),
                       [](const auto& a, const auto& b) { return a.first < b.first; });
      for (auto& [at, occurrence] : in_paragraph) found.push_back(std::move(occurrence));
    }
  }
  std::stable_sort(found.begin(), found.end(), [](const Occurrence& a, const Occurrence& b) {
    if (a.place.section != b.place.section) return a.place.section < b.place.section;
    return PartOrder(a.place.part) < PartOrder(b.place.part);
  });
  return found;
}

}  // namespace reportword::check
