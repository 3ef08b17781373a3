#include "check/check_reports.h"

#include <algorithm>
#include <array>
#include <string>

#include "check/check_messages.h"
#include "check/json_string.h"
#include "text/display_escaping.h"
#include "text/unicode.h"

namespace reportword::check {
namespace {

constexpr std::size_t kColumns = 5;
using Row = std::array<std::string, kColumns>;

void WriteTable(std::ostream& out, const std::vector<Row>& rows) {
  std::array<std::size_t, kColumns> widths{};
  for (const Row& row : rows) {
    for (std::size_t c = 0; c < kColumns; ++c) {
      widths[c] = std::max(widths[c], text::DisplayWidth(row[c]));
    }
  }
  for (const Row& row : rows) {
    std::string line = " ";
    for (std::size_t c = 0; c < kColumns; ++c) {
      line += " " + row[c];
      if (c + 1 < kColumns) line.append(widths[c] - text::DisplayWidth(row[c]) + 1, ' ');
    }
    out << line << '\n';
  }
}

const char* PartName(StoryPart part) {
  switch (part) {
    case StoryPart::kHeader:
      return "header";
    case StoryPart::kFooter:
      return "footer";
    case StoryPart::kBody:
      break;
  }
  return "body";
}

const char* KindName(const Place& place) {
  if (place.part == StoryPart::kBody) return "null";
  switch (place.kind) {
    case HeaderFooterKind::kFirst:
      return "\"first\"";
    case HeaderFooterKind::kEven:
      return "\"even\"";
    case HeaderFooterKind::kDefault:
      break;
  }
  return "\"default\"";
}

// The finding's kind as scripts match it.
const char* FindingKindName(FindingKind kind) {
  switch (kind) {
    case FindingKind::kShownUnfilled:
      return "shown_unfilled";
    case FindingKind::kFirstPageHeader:
      return "first_page_header";
    case FindingKind::kEvenPageHeader:
      return "even_page_header";
    case FindingKind::kOtherPrimaryHeader:
      return "other_primary_header";
    case FindingKind::kNearMiss:
      return "near_miss";
    case FindingKind::kSplitByField:
      return "split_by_field";
    case FindingKind::kInFieldCode:
      return "in_field_code";
    case FindingKind::kInDeletedText:
      return "in_deleted_text";
    case FindingKind::kSplitBySoftHyphen:
      return "split_by_soft_hyphen";
    case FindingKind::kRepeatDocument1Only:
      return "repeat_document1_only";
    case FindingKind::kRepeatNeverFilled:
      return "repeat_never_filled";
    case FindingKind::kColumns:
      return "columns";
    case FindingKind::kConverted:
      break;
  }
  return "converted";
}

// Findings about a whole section carry the section in `number` and no place.
bool IsAboutSection(FindingKind kind) {
  return kind == FindingKind::kFirstPageHeader || kind == FindingKind::kEvenPageHeader ||
         kind == FindingKind::kOtherPrimaryHeader || kind == FindingKind::kColumns;
}

const char* Boolean(bool value) {
  return value ? "true" : "false";
}

void WriteJsonOccurrence(std::ostream& out, const Occurrence& occurrence) {
  out << "{\"placeholder\": " << JsonString(occurrence.placeholder)
      << ", \"text\": " << JsonString(occurrence.text)
      << ", \"section\": " << occurrence.place.section << ", \"part\": \""
      << PartName(occurrence.place.part) << "\", \"kind\": " << KindName(occurrence.place)
      << ", \"text_box\": " << Boolean(occurrence.place.text_box)
      << ", \"replaced_network\": " << Boolean(occurrence.network.Always())
      << ", \"replaced_road\": " << Boolean(occurrence.road.Always()) << "}";
}

void WriteJsonFinding(std::ostream& out, const std::string& path, const Finding& finding) {
  if (finding.kind == FindingKind::kConverted) {  // about the whole file
    out << "{\"kind\": \"converted\", \"placeholder\": null, \"section\": null, \"part\": null, "
           "\"text\": "
        << JsonString(FindingText(path, finding, Wording::kEnglish)) << "}";
    return;
  }
  const bool about_section = IsAboutSection(finding.kind);
  const char* part = finding.kind == FindingKind::kColumns ? "\"body\""
                     : about_section                       ? "\"header\""
                                                           : nullptr;
  out << "{\"kind\": \"" << FindingKindName(finding.kind) << "\", \"placeholder\": "
      << (finding.placeholder.empty() ? std::string("null") : JsonString(finding.placeholder))
      << ", \"section\": " << (about_section ? finding.section : finding.place.section)
      << ", \"part\": ";
  if (part != nullptr) {
    out << part;
  } else {
    out << '"' << PartName(finding.place.part) << '"';
  }
  out << ", \"text\": " << JsonString(FindingText(path, finding, Wording::kEnglish)) << "}";
}

}  // namespace

void WriteTextReport(std::ostream& out, const std::vector<TemplateCheck>& checks) {
  bool first = true;
  for (const TemplateCheck& check : checks) {
    if (!check.error.empty()) continue;
    if (!first) out << '\n';
    first = false;
    const std::string path = text::EscapeForDisplay(check.path);
    out << path << '\n';
    if (check.occurrences.empty()) {
      out << "  " << MessageText(MessageId::kNoPlaceholders) << '\n';
    } else {
      std::vector<Row> rows = {
          {MessageText(MessageId::kPlaceholderHeading), MessageText(MessageId::kWrittenAsHeading),
           MessageText(MessageId::kPlaceHeading), MessageText(MessageId::kNetworkRunHeading),
           MessageText(MessageId::kRoadRunHeading)}};
      for (const Occurrence& occurrence : check.occurrences) {
        rows.push_back({occurrence.placeholder, text::EscapeForDisplay(occurrence.text),
                        PlaceText(occurrence.place, Wording::kReaderLanguage),
                        FillingText(occurrence.network), FillingText(occurrence.road)});
      }
      WriteTable(out, rows);
    }
    if (check.findings.empty()) out << "  " << MessageText(MessageId::kNoFindings) << '\n';
    for (const Finding& finding : check.findings)
      out << FindingText(path, finding, Wording::kReaderLanguage) << '\n';
  }
  out.flush();
}

void WriteJsonReport(std::ostream& out, const std::vector<TemplateCheck>& checks) {
  out << "{\"templates\": [";
  const char* template_separator = "\n  ";
  for (const TemplateCheck& check : checks) {
    out << template_separator << "{\"path\": " << JsonString(check.path);
    template_separator = ",\n  ";
    if (!check.error.empty()) out << ", \"error\": " << JsonString(check.error);
    out << ", \"placeholders\": [";
    const char* separator = "\n    ";
    for (const Occurrence& occurrence : check.occurrences) {
      out << separator;
      WriteJsonOccurrence(out, occurrence);
      separator = ",\n    ";
    }
    out << (check.occurrences.empty() ? "" : "\n  ") << "], \"findings\": [";
    separator = "\n    ";
    for (const Finding& finding : check.findings) {
      out << separator;
      WriteJsonFinding(out, check.path, finding);
      separator = ",\n    ";
    }
    out << (check.findings.empty() ? "" : "\n  ") << "]}";
  }
  out << (checks.empty() ? "" : "\n") << "]}\n";
  out.flush();
}

}  // namespace reportword::check
