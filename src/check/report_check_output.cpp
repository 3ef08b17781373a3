#include "check/report_check_output.h"

#include <algorithm>
#include <string>
#include <utility>

#include "check/json_string.h"
#include "check/report_check_texts.h"
#include "text/display_escaping.h"
#include "text/translate.h"
#include "text/unicode.h"

namespace reportword::check {
namespace {

using text::Format;
constexpr Wording kReader = Wording::kReaderLanguage;
// Longer texts of the report are cut for the human form, which is read on a
// terminal; the JSON form has them whole.
constexpr std::size_t kShownCharacters = 60;

std::string Shown(std::string_view text) {
  std::string shown;
  std::size_t characters = 0;
  for (std::size_t pos = 0; pos < text.size();) {
    std::size_t next = pos;
    char32_t cp = 0;
    if (!text::TryDecodeUtf8(text, next, cp)) next = pos + 1;
    if (++characters > kShownCharacters) return text::EscapeForDisplay(shown) + "...";
    shown.append(text.substr(pos, next - pos));
    pos = next;
  }
  return text::EscapeForDisplay(shown);
}

std::string SpanText(const TableSection& table, bool road_renovation) {
  if (table.rows == 0) return ReportTextOf(ReportText::kNoRows);
  return Format(
      ReportTextOf(road_renovation ? ReportText::kLineSpanAfterEmptyRow : ReportText::kLineSpan),
      table.first_line, table.last_line, table.rows);
}

std::string BreakText(const ReportCheck& check) {
  if (check.break_line == 0) return ReportTextOf(ReportText::kNoBreak);
  if (check.skipped_line == 0)
    return Format(ReportTextOf(ReportText::kBreakAtTheEnd), check.break_line);
  return Format(ReportTextOf(ReportText::kBreakAndSkipped), check.break_line, check.skipped_line,
                Shown(check.skipped_text));
}

std::string ValueText(const HeaderValue& value) {
  if (value.text.empty()) return ReportTextOf(ReportText::kBlankValue);
  if (value.from_lines > 1) {
    return Format(ReportTextOf(ReportText::kValueFromLines), Shown(value.text), value.from_lines,
                  value.line);
  }
  return Format(ReportTextOf(ReportText::kValueFromLine), Shown(value.text), value.line);
}

std::string RowText(const std::vector<std::string>& cells) {
  std::string row;
  for (const std::string& cell : cells) row += (row.empty() ? "\"" : " | \"") + Shown(cell) + "\"";
  return row;
}

using Rows = std::vector<std::pair<std::string, std::string>>;

void AddTableRows(Rows& rows, ReportText label, const TableSection& table) {
  if (table.first_rows.empty()) return;
  for (std::size_t i = 0; i < table.first_rows.size(); ++i)
    rows.emplace_back(i == 0 ? ReportTextOf(label) : "", RowText(table.first_rows[i]));
}

void WriteLabelled(std::ostream& out, const Rows& rows) {
  std::size_t width = 0;
  for (const auto& [label, value] : rows) width = std::max(width, text::DisplayWidth(label));
  for (const auto& [label, value] : rows) {
    out << "  " << label << std::string(width - text::DisplayWidth(label) + 2, ' ') << value
        << '\n';
  }
}

const char* EncodingName(report::ReportEncoding encoding) {
  switch (encoding) {
    case report::ReportEncoding::kUtf8:
      return "utf-8";
    case report::ReportEncoding::kUtf16Le:
      return "utf-16le";
    case report::ReportEncoding::kUtf16Be:
      return "utf-16be";
    case report::ReportEncoding::kWindows1252:
      break;
  }
  return "windows-1252";
}

const char* FindingKindName(ReportFindingKind kind) {
  switch (kind) {
    case ReportFindingKind::kSkippedDataRow:
      return "skipped_data_row";
    case ReportFindingKind::kShortRows:
      return "short_rows";
    case ReportFindingKind::kLongRows:
      return "long_rows";
    case ReportFindingKind::kMostlyUtf8:
      return "mostly_utf8";
    case ReportFindingKind::kMixedLineEnds:
      return "mixed_line_ends";
    case ReportFindingKind::kNoSecondSection:
      return "no_second_section";
    case ReportFindingKind::kEmptyTable1:
      return "empty_table1";
    case ReportFindingKind::kEmptyTable2:
      return "empty_table2";
    case ReportFindingKind::kBlankRow:
      return "blank_row";
    case ReportFindingKind::kBlankBuildNumber:
      return "blank_build_number";
    case ReportFindingKind::kBlankDesignation:
      return "blank_designation";
    case ReportFindingKind::kLongDesignation:
      break;
  }
  return "long_designation";
}

std::string JsonLine(std::int64_t line) {
  return line == 0 ? "null" : std::to_string(line);
}

void WriteJsonTable(std::ostream& out, const TableSection& table, bool road_renovation) {
  out << "{\"leading_empty_row\": " << (road_renovation ? "true" : "false")
      << ", \"first_line\": " << JsonLine(table.first_line)
      << ", \"last_line\": " << JsonLine(table.last_line) << ", \"rows\": " << table.rows
      << ", \"first_rows\": [";
  for (std::size_t i = 0; i < table.first_rows.size(); ++i) {
    out << (i == 0 ? "[" : ", [");
    for (std::size_t c = 0; c < table.first_rows[i].size(); ++c)
      out << (c == 0 ? "" : ", ") << JsonString(table.first_rows[i][c]);
    out << "]";
  }
  out << "]}";
}

void WriteJsonValue(std::ostream& out, const HeaderValue& value) {
  if (value.text.empty()) {
    out << "null";
    return;
  }
  out << "{\"text\": " << JsonString(value.text) << ", \"line\": " << value.line
      << ", \"from_lines\": " << value.from_lines << "}";
}

void WriteJsonReport(std::ostream& out, const ReportCheck& check) {
  out << "{\"path\": " << JsonString(check.path);
  if (!check.error.empty()) {
    out << ", \"error\": " << JsonString(check.error) << ", \"findings\": []}";
    return;
  }
  const bool windows1252 = check.encoding == report::ReportEncoding::kWindows1252;
  out << ", \"encoding\": {\"name\": \"" << EncodingName(check.encoding)
      << "\", \"byte_order_mark\": " << (check.byte_order_mark ? "true" : "false")
      << ", \"not_utf8_at\": ";
  if (windows1252) {
    out << "{\"line\": " << check.first_foreign_line
        << ", \"column\": " << check.first_foreign_column << "}";
  } else {
    out << "null";
  }
  out << "},\n   \"line_ends\": {\"cr_lf\": " << check.line_ends.cr_lf
      << ", \"cr\": " << check.line_ends.cr << ", \"lf\": " << check.line_ends.lf
      << "},\n   \"sections\": {\"lines\": " << check.lines
      << ", \"line1\": " << JsonString(check.line1) << ", \"table1\": ";
  WriteJsonTable(out, check.table1, check.road_renovation);
  out << ", \"break_line\": " << JsonLine(check.break_line) << ", \"skipped\": ";
  if (check.skipped_line == 0) {
    out << "null";
  } else {
    out << "{\"line\": " << check.skipped_line << ", \"text\": " << JsonString(check.skipped_text)
        << "}";
  }
  out << ", \"table2\": ";
  WriteJsonTable(out, check.table2, check.road_renovation);
  out << "},\n   \"values\": {\"build_number\": ";
  WriteJsonValue(out, check.build_number);
  out << ", \"designation\": ";
  WriteJsonValue(out, check.designation);
  out << "},\n   \"findings\": [";
  const char* separator = "\n    ";
  for (const ReportFinding& finding : check.findings) {
    out << separator << "{\"kind\": \"" << FindingKindName(finding.kind)
        << "\", \"line\": " << JsonLine(finding.line) << ", \"text\": "
        << JsonString(ReportFindingText(check.path, check, finding, Wording::kEnglish)) << "}";
    separator = ",\n    ";
  }
  out << (check.findings.empty() ? "" : "\n  ") << "]}";
}

}  // namespace

void WriteReportCheckText(std::ostream& out, const std::vector<ReportCheck>& checks) {
  bool first = true;
  for (const ReportCheck& check : checks) {
    if (!check.error.empty()) continue;
    if (!first) out << '\n';
    first = false;
    const std::string path = text::EscapeForDisplay(check.path);
    out << path << '\n';
    Rows rows = {
        {ReportTextOf(ReportText::kEncodingLabel), EncodingText(check, kReader)},
        {ReportTextOf(ReportText::kLineEndsLabel), LineEndsText(check.line_ends, kReader)}};
    if (check.lines == 0) {
      rows.emplace_back(ReportTextOf(ReportText::kLine1Label), ReportTextOf(ReportText::kNoLines));
    } else {
      rows.emplace_back(ReportTextOf(ReportText::kLine1Label),
                        Format(ReportTextOf(ReportText::kDropped), Shown(check.line1)));
      rows.emplace_back(ReportTextOf(ReportText::kTable1Label),
                        SpanText(check.table1, check.road_renovation));
      rows.emplace_back(ReportTextOf(ReportText::kBreakLabel), BreakText(check));
      if (check.break_line != 0)
        rows.emplace_back(ReportTextOf(ReportText::kTable2Label),
                          SpanText(check.table2, check.road_renovation));
      rows.emplace_back(ReportTextOf(ReportText::kBuildNumberLabel), ValueText(check.build_number));
      rows.emplace_back(ReportTextOf(ReportText::kDesignationLabel), ValueText(check.designation));
      AddTableRows(rows, ReportText::kTable1RowsLabel, check.table1);
      AddTableRows(rows, ReportText::kTable2RowsLabel, check.table2);
    }
    WriteLabelled(out, rows);
    if (check.findings.empty()) out << "  " << MessageText(MessageId::kNoFindings) << '\n';
    for (const ReportFinding& finding : check.findings)
      out << ReportFindingText(path, check, finding, kReader) << '\n';
  }
  out.flush();
}

void WriteReportCheckJson(std::ostream& out, const std::vector<ReportCheck>& checks) {
  out << "{\"reports\": [";
  const char* separator = "\n  ";
  for (const ReportCheck& check : checks) {
    out << separator;
    WriteJsonReport(out, check);
    separator = ",\n  ";
  }
  out << (checks.empty() ? "" : "\n") << "]}\n";
  out.flush();
}

}  // namespace reportword::check
