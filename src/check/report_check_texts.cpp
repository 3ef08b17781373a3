#include "check/report_check_texts.h"

#include <cstddef>
#include <utility>

#include "text/display_escaping.h"
#include "text/translate.h"

namespace reportword::check {
namespace {

using text::Format;
using enum ReportText;

// A text of the table, translated when it is looked up. Named like the
// catalog's keyword, so that the message extraction finds every text here.
struct CatalogText {
  const char* english;
};
constexpr CatalogText Translate(const char* english) {
  return {english};
}

constexpr std::pair<ReportText, CatalogText> kTexts[] = {
    {kEncodingLabel, Translate("encoding")},
    {kLineEndsLabel, Translate("line ends")},
    {kLine1Label, Translate("line 1")},
    {kTable1Label, Translate("table 1")},
    {kBreakLabel, Translate("section break")},
    {kTable2Label, Translate("table 2")},
    {kBuildNumberLabel, Translate("build number")},
    {kDesignationLabel, Translate("designation")},
    {kTable1RowsLabel, Translate("table 1 rows")},
    {kTable2RowsLabel, Translate("table 2 rows")},
    {kUtf8, Translate("UTF-8")},
    {kUtf8WithMark, Translate("UTF-8 with a byte-order mark")},
    {kUtf16LeWithMark, Translate("UTF-16 LE, by its byte-order mark")},
    {kUtf16BeWithMark, Translate("UTF-16 BE, by its byte-order mark")},
    {kWindows1252Because, Translate("Windows-1252: the byte at line {0}, column {1} is not UTF-8")},
    {kLineEndCounts, Translate("{0} {1}")},
    {kMixed, Translate("mixed: {0}")},
    {kNoLineEnds, Translate("none")},
    {kDropped, Translate("dropped: \"{0}\"")},
    {kNoLines, Translate("the report is empty")},
    {kLineSpan, Translate("lines {0} to {1}: {2} rows")},
    {kLineSpanAfterEmptyRow, Translate("lines {0} to {1}: {2} rows, after an empty first row")},
    {kBreakAndSkipped, Translate("line {0}; line {1} is skipped: \"{2}\"")},
    {kBreakAtTheEnd, Translate("line {0}, the last line")},
    {kNoBreak, Translate("none: no blank line ends the first section")},
    {kValueFromLine, Translate("\"{0}\" (line {1})")},
    {kValueFromLines, Translate("\"{0}\" (collected from {1} lines, from line {2} on)")},
    {kBlankValue, Translate("blank: its placeholder stays as written")},
    {kNoRows, Translate("no rows")},
    {kSkippedDataRow,
     Translate("{0}: line {1}: the line after the blank line that ends the first section is "
               "skipped, but \"{2}\" looks like a row of table 2 and is lost; put a heading line "
               "between the blank line and the rows")},
    {kShortRows,
     Translate("{0}: line {1}: {2} rows of table {3} with fewer than {4} fields (lines {5}) leave "
               "their last cells empty; check the columns the analysis writes")},
    {kShortRow,
     Translate("{0}: line {1}: this row of table {2} has fewer than {3} fields and leaves its "
               "last cells empty; check the columns the analysis writes")},
    {kLongRows,
     Translate("{0}: line {1}: {2} rows of table {3} with more than {4} fields (lines {5}) lose "
               "what follows field {4}; check the columns the analysis writes")},
    {kLongRow,
     Translate("{0}: line {1}: this row of table {2} has more than {3} fields and loses what "
               "follows field {3}; check the columns the analysis writes")},
    {kMostlyUtf8,
     Translate("{0}: line {1}: the report is read as Windows-1252 for bytes that are not UTF-8 "
               "({2} in all, the first on this line), so its other characters written in UTF-8 "
               "({3} in all) show as two or more characters each (\"Ã¤\" for \"ä\"); save the "
               "report as UTF-8 throughout")},
    {kMixedLineEnds,
     Translate("{0}: line {1}: the line ends change here ({2}), as in a file put together from "
               "two; check that no line was lost where they meet, and let the analysis write "
               "the report at once")},
    {kNoSecondSection,
     Translate("{0}: no blank line ends the first section, so every line becomes a row of "
               "table 1 and table 2 stays empty; end the first section with a blank line")},
    {kEmptyTable1,
     Translate("{0}: table 1 gets no rows, as the first section is empty; the rows of table 1 "
               "must follow line 1")},
    {kEmptyTable2,
     Translate("{0}: line {1}: table 2 gets no rows: after the blank line that ends the first "
               "section, one line is skipped and nothing follows; put the rows after a heading "
               "line")},
    {kBlankRow,
     Translate("{0}: line {1}: a blank line in the second section gives an empty row of table "
               "2; remove it")},
    {kBlankBuildNumber,
     Translate("{0}: no line of the first section has a build number in field 1, so its "
               "placeholder stays as written in the headers; fill field 1")},
    {kBlankDesignation,
     Translate("{0}: no line of the first section has an object designation in field {1}, so "
               "<objektbezeichnung> stays as written in the headers; fill field {1}")},
    {kLongDesignation,
     Translate("{0}: line {1}: the object designation collected from field 3 is {2} "
               "characters long, more than a header line holds (about {3}); shorten the values "
               "of field 3")},
    {kReportCheckUsage, Translate("usage: reportword --check-report [--json] CODE REPORT...")},
};

// The lookup indexes the table by id, so every id has its row, in order.
constexpr bool RowsFollowIds() {
  for (std::size_t i = 0; i < std::size(kTexts); ++i) {
    if (static_cast<std::size_t>(kTexts[i].first) != i) return false;
  }
  return static_cast<std::size_t>(kReportCheckUsage) + 1 == std::size(kTexts);
}
static_assert(RowsFollowIds());

std::string LinesText(const std::vector<std::int64_t>& lines, std::int64_t count) {
  std::string text;
  for (std::int64_t line : lines) text += (text.empty() ? "" : ", ") + std::to_string(line);
  return static_cast<std::int64_t>(lines.size()) < count ? text + ", ..." : text;
}

// "CR LF 36, LF 2", and how many kinds of line end that lists.
std::string LineEndsListed(const report::LineEndCounts& counts, Wording wording, int& kinds) {
  std::string listed;
  for (const auto& [name, count] :
       {std::pair{"CR LF", counts.cr_lf}, std::pair{"CR", counts.cr}, std::pair{"LF", counts.lf}}) {
    if (count == 0) continue;
    ++kinds;
    listed += (listed.empty() ? "" : ", ") +
              Format(ReportTextOf(kLineEndCounts, wording), name, static_cast<std::int64_t>(count));
  }
  return listed;
}

}  // namespace

const char* ReportTextOf(ReportText id, Wording wording) {
  const char* english = kTexts[static_cast<std::size_t>(id)].second.english;
  return wording == Wording::kReaderLanguage ? text::Translate(english) : english;
}

std::string EncodingText(const ReportCheck& check, Wording wording) {
  switch (check.encoding) {
    case report::ReportEncoding::kUtf8:
      return ReportTextOf(check.byte_order_mark ? kUtf8WithMark : kUtf8, wording);
    case report::ReportEncoding::kUtf16Le:
      return ReportTextOf(kUtf16LeWithMark, wording);
    case report::ReportEncoding::kUtf16Be:
      return ReportTextOf(kUtf16BeWithMark, wording);
    case report::ReportEncoding::kWindows1252:
      break;
  }
  return Format(ReportTextOf(kWindows1252Because, wording), check.first_foreign_line,
                check.first_foreign_column);
}

std::string LineEndsText(const report::LineEndCounts& counts, Wording wording) {
  int kinds = 0;
  const std::string listed = LineEndsListed(counts, wording, kinds);
  if (kinds == 0) return ReportTextOf(kNoLineEnds, wording);
  return kinds > 1 ? Format(ReportTextOf(kMixed, wording), listed) : listed;
}

std::string ReportFindingText(const std::string& path, const ReportCheck& check,
                              const ReportFinding& f, Wording w) {
  const auto text = [w](ReportText id) { return ReportTextOf(id, w); };
  switch (f.kind) {
    case ReportFindingKind::kSkippedDataRow:
      return Format(text(kSkippedDataRow), path, f.line, text::EscapeForDisplay(f.detail));
    case ReportFindingKind::kShortRows:
    case ReportFindingKind::kLongRows: {
      const bool short_rows = f.kind == ReportFindingKind::kShortRows;
      if (f.count == 1)
        return Format(text(short_rows ? kShortRow : kLongRow), path, f.line, f.table,
                      f.other_count);
      return Format(text(short_rows ? kShortRows : kLongRows), path, f.line, f.count, f.table,
                    f.other_count, LinesText(f.lines, f.count));
    }
    case ReportFindingKind::kMostlyUtf8:
      return Format(text(kMostlyUtf8), path, f.line, f.count, f.other_count);
    case ReportFindingKind::kMixedLineEnds: {
      int kinds = 0;
      return Format(text(kMixedLineEnds), path, f.line, LineEndsListed(check.line_ends, w, kinds));
    }
    case ReportFindingKind::kNoSecondSection:
      return Format(text(kNoSecondSection), path);
    case ReportFindingKind::kEmptyTable1:
      return Format(text(kEmptyTable1), path);
    case ReportFindingKind::kEmptyTable2:
      return Format(text(kEmptyTable2), path, f.line);
    case ReportFindingKind::kBlankRow:
      return Format(text(kBlankRow), path, f.line);
    case ReportFindingKind::kBlankBuildNumber:
      return Format(text(kBlankBuildNumber), path);
    case ReportFindingKind::kBlankDesignation:
      return Format(text(kBlankDesignation), path, check.road_renovation ? 3 : 2);
    case ReportFindingKind::kLongDesignation:
      return Format(text(kLongDesignation), path, f.line, f.count,
                    static_cast<std::int64_t>(kHeaderLineCharacters));
  }
  return path;
}

}  // namespace reportword::check
