// The texts of the report check that people read, in one table: in the
// reader's language for the human form, in English for the findings of the
// JSON form, which scripts read.
#pragma once

#include <string>

#include "check/check_messages.h"
#include "check/report_check.h"

namespace reportword::check {

enum class ReportText {
  // The labels of what the run reads, in their order.
  kEncodingLabel,
  kLineEndsLabel,
  kLine1Label,
  kTable1Label,
  kBreakLabel,
  kTable2Label,
  kBuildNumberLabel,
  kDesignationLabel,
  kTable1RowsLabel,
  kTable2RowsLabel,
  // Their values.
  kUtf8,
  kUtf8WithMark,
  kUtf16LeWithMark,
  kUtf16BeWithMark,
  kWindows1252Because,
  kLineEndCounts,
  kMixed,
  kNoLineEnds,
  kDropped,
  kNoLines,
  kLineSpan,
  kLineSpanAfterEmptyRow,  // road reports' tables
  kBreakAndSkipped,
  kBreakAtTheEnd,
  kNoBreak,
  kValueFromLine,
  kValueFromLines,
  kBlankValue,
  kNoRows,
  // The findings.
  kSkippedDataRow,
  kShortRows,
  kShortRow,
  kLongRows,
  kLongRow,
  kMostlyUtf8,
  kMixedLineEnds,
  kNoSecondSection,
  kEmptyTable1,
  kEmptyTable2,
  kBlankRow,
  kBlankBuildNumber,
  kBlankDesignation,
  kLongDesignation,
  // The usage line of the check's command line.
  kReportCheckUsage,
};

// The text of `id`, in the reader's language or in English as written.
const char* ReportTextOf(ReportText id, Wording wording = Wording::kReaderLanguage);

// How the report's bytes are read, and why ("Windows-1252: the byte at line
// 4, column 12 is not UTF-8").
std::string EncodingText(const ReportCheck& check, Wording wording);

// "CR LF 36", "mixed: CR LF 36, LF 2".
std::string LineEndsText(const report::LineEndCounts& counts, Wording wording);

// One line that names the report, the line and what to do.
std::string ReportFindingText(const std::string& path, const ReportCheck& check,
                              const ReportFinding& finding, Wording wording);

}  // namespace reportword::check
