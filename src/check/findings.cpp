#include "check/findings.h"

#include <algorithm>
#include <array>
#include <set>
#include <string>

#include "check/near_misses.h"
#include "check/occurrences.h"
#include "text/unicode.h"

namespace reportword::check {
namespace {

using docx::InspectedParagraph;
using docx::InspectedStory;
using docx::TemplateInspection;

// A finding about a whole section; `count` as the kind needs it.
Finding AboutSection(FindingKind kind, int section, int columns = 0) {
  return {.kind = kind, .section = section, .columns = columns};
}

// The header part the last section shows on pages of `kind`; "" for none.
std::string ShownHeader(const TemplateInspection& inspection, HeaderFooterKind kind) {
  for (const docx::HeaderFooterReference& reference : inspection.sections.back()) {
    if (reference.part == StoryPart::kHeader && reference.kind == kind) return reference.part_name;
  }
  return {};
}

int SectionOfPart(const TemplateInspection& inspection, const std::string& part_name) {
  for (const InspectedStory& story : inspection.stories) {
    if (story.part == StoryPart::kHeader && story.part_name == part_name) return story.section;
  }
  return static_cast<int>(inspection.sections.size());
}

void FindHeaderPageFindings(const TemplateInspection& inspection,
                            const std::vector<Occurrence>& occurrences,
                            std::vector<Finding>& findings) {
  bool anything_filled = false;
  for (const Occurrence& occurrence : occurrences) anything_filled |= occurrence.in_filled_header;
  if (!anything_filled) return;
  const std::string& filled = inspection.first_primary_header;
  const int last = static_cast<int>(inspection.sections.size());
  if (inspection.last_section_title_page &&
      ShownHeader(inspection, HeaderFooterKind::kFirst) != filled) {
    findings.push_back(AboutSection(FindingKind::kFirstPageHeader, last));
  }
  if (inspection.even_and_odd_headers &&
      ShownHeader(inspection, HeaderFooterKind::kEven) != filled) {
    findings.push_back(AboutSection(FindingKind::kEvenPageHeader, last));
  }
  const std::string primary = ShownHeader(inspection, HeaderFooterKind::kDefault);
  if (!primary.empty() && primary != filled) {
    findings.push_back(
        AboutSection(FindingKind::kOtherPrimaryHeader, SectionOfPart(inspection, primary)));
  }
}

// Placeholders the search misses because of what lies in or around them.
// Returns the placeholders found that way.
std::set<std::size_t> FindHiddenPlaceholders(const InspectedParagraph& paragraph,
                                             const Place& place, bool filled,
                                             const std::vector<std::u32string>& needles,
                                             std::vector<Finding>& findings) {
  const std::pair<const std::u32string*, FindingKind> variants[] = {
      {&paragraph.without_field_results, FindingKind::kSplitByField},
      {&paragraph.with_field_instructions, FindingKind::kInFieldCode},
      {&paragraph.with_deleted_text, FindingKind::kInDeletedText},
      {&paragraph.without_soft_hyphens, FindingKind::kSplitBySoftHyphen},
  };
  std::set<std::size_t> hidden;
  for (std::size_t i = 0; i < needles.size(); ++i) {
    const std::size_t visible = CountOccurrences(paragraph.folded, needles[i]);
    for (const auto& [variant, kind] : variants) {
      if (CountOccurrences(*variant, needles[i]) <= visible) continue;
      findings.push_back({.kind = kind,
                          .place = place,
                          .placeholder = kPlaceholderRules[i].text,
                          .in_filled_header = filled});
      hidden.insert(i);
      break;
    }
  }
  return hidden;
}

void FindNearMissFindings(const TemplateInspection& inspection, std::vector<Finding>& findings) {
  std::vector<std::u32string> needles;
  for (const PlaceholderRule& rule : kPlaceholderRules)
    needles.push_back(text::FoldCase(rule.text));
  for (const InspectedStory& story : inspection.stories) {
    // Only what the search reads or what a document shows matters.
    const bool filled =
        story.part == StoryPart::kHeader && story.part_name == inspection.first_primary_header;
    if (!filled && !IsShown(inspection, story)) continue;
    for (const InspectedParagraph& paragraph : story.paragraphs) {
      const Place place = PlaceOf(story, paragraph);
      const std::set<std::size_t> hidden =
          FindHiddenPlaceholders(paragraph, place, filled, needles, findings);
      for (const NearMiss& miss : FindNearMisses(paragraph.folded, needles)) {
        if (hidden.count(miss.placeholder)) continue;  // told already, with its cause
        findings.push_back(
            {.kind = FindingKind::kNearMiss,
             .place = place,
             .placeholder = kPlaceholderRules[miss.placeholder].text,
             .text = text::Utf32ToUtf8(paragraph.written.substr(miss.begin, miss.end - miss.begin)),
             .reasons = miss.reasons,
             .in_filled_header = filled});
      }
    }
  }
}

void FindRepeats(const std::vector<Occurrence>& occurrences, int header_count,
                 std::vector<Finding>& findings) {
  for (const Occurrence& occurrence : occurrences) {
    if (!occurrence.in_filled_header || occurrence.number < 2) continue;
    for (const PlaceholderRule& rule : kPlaceholderRules) {
      if (rule.text != occurrence.placeholder) continue;
      const Filling& replacement = rule.network ? occurrence.network : occurrence.road;
      const std::array<int, 2> replaced = ReplacedPerDocument(rule, header_count);
      const int fewest = std::min(replaced[0], replaced[1]);
      const int most = std::max(replaced[0], replaced[1]);
      if (replacement.document1 && !replacement.document2) {
        findings.push_back({.kind = FindingKind::kRepeatDocument1Only,
                            .place = occurrence.place,
                            .placeholder = rule.text,
                            .occurrence = occurrence.number,
                            .filled_at_most = fewest});
      } else if (!replacement.document1 && !replacement.document2) {
        findings.push_back({.kind = FindingKind::kRepeatNeverFilled,
                            .place = occurrence.place,
                            .placeholder = rule.text,
                            .occurrence = occurrence.number,
                            .filled_at_most = most});
      }
    }
  }
}

}  // namespace

std::vector<Finding> FindFindings(const TemplateInspection& inspection,
                                  const std::vector<Occurrence>& occurrences) {
  std::vector<Finding> findings;
  for (const Occurrence& occurrence : occurrences) {
    if (occurrence.in_filled_header || !occurrence.shown) continue;
    findings.push_back({.kind = FindingKind::kShownUnfilled,
                        .place = occurrence.place,
                        .placeholder = occurrence.placeholder,
                        .text = occurrence.text});
  }
  FindHeaderPageFindings(inspection, occurrences, findings);
  FindNearMissFindings(inspection, findings);
  FindRepeats(occurrences, inspection.first_section_header_count, findings);
  if (inspection.last_section_columns > 1) {
    findings.push_back(AboutSection(FindingKind::kColumns,
                                    static_cast<int>(inspection.sections.size()),
                                    inspection.last_section_columns));
  }
  if (const auto& conversion = inspection.conversion) {
    using enum Finding::Conversion;
    findings.push_back({.kind = FindingKind::kConverted,
                        .text = conversion->format,
                        .conversion = conversion->from_cache ? kFromCache
                                      : conversion->cached   ? kCachedNow
                                                             : kNoCache});
  }
  return findings;
}

}  // namespace reportword::check
