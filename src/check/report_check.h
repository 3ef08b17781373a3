// The report check: what a run with a code will make of a report, read by the
// run's own reader, and what will come out wrong without a word. It never
// writes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "report/report_decoding.h"

namespace reportword::check {

// A stretch of lines that gives the rows of one table.
struct TableSection {
  std::int64_t first_line = 0;  // 0: no line
  std::int64_t last_line = 0;
  std::int64_t rows = 0;
  std::vector<std::vector<std::string>> first_rows;  // up to three, as cells
};

// A header value as it will stand in the filled header, and where it came
// from; blank values are not filled and leave their placeholder as written.
struct HeaderValue {
  std::string text;             // as filled; empty when blank
  std::int64_t line = 0;        // the line it came from (the first, when collected)
  std::int64_t from_lines = 0;  // how many lines gave to it (road designations)
};

enum class ReportFindingKind {
  kSkippedDataRow,   // the line after the section break looks like a data row
  kShortRows,        // rows with fewer fields than their table uses
  kLongRows,         // rows with more: their text is dropped
  kMostlyUtf8,       // read as Windows-1252, but UTF-8 save for a few bytes
  kMixedLineEnds,    // a file stitched together from two sources
  kNoSecondSection,  // no blank line ends the first section
  kEmptyTable1,
  kEmptyTable2,
  kBlankRow,          // a blank line in the second section: an empty row
  kBlankBuildNumber,  // its placeholder is left as written
  kBlankDesignation,  // the same
  kLongDesignation,   // a road designation longer than a header line
};

struct ReportFinding {
  ReportFindingKind kind = ReportFindingKind::kSkippedDataRow;
  std::int64_t line = 0;  // the first line concerned; 0 for the whole report
  // Counts and lines, as the kind needs: rows and their table, bytes and
  // characters, line ends.
  std::int64_t count = 0;
  std::int64_t other_count = 0;
  int table = 0;
  std::vector<std::int64_t> lines = {};
  std::string detail = {};  // a text of the report the finding quotes
};

struct ReportCheck {
  std::string path;
  std::string error;  // the run's message for a report it refuses; nothing else is set
  bool road_renovation = false;

  report::ReportEncoding encoding = report::ReportEncoding::kUtf8;
  bool byte_order_mark = false;
  // Windows-1252: where the first byte that is not UTF-8 stands (1-based),
  // how many such bytes there are, and how many well-formed UTF-8 characters
  // of two or more bytes the file holds besides, each shown as several.
  std::int64_t first_foreign_line = 0;
  std::int64_t first_foreign_column = 0;
  std::int64_t foreign_bytes = 0;
  std::int64_t utf8_characters = 0;
  report::LineEndCounts line_ends;

  std::int64_t lines = 0;
  std::string line1;  // as it is dropped
  TableSection table1;
  std::int64_t break_line = 0;  // 0: no section break
  std::int64_t skipped_line = 0;
  std::string skipped_text;
  TableSection table2;
  HeaderValue build_number;
  HeaderValue designation;

  std::vector<ReportFinding> findings;
};

// Checks the report at `path` as a run with `code` (a network code, the road
// keyword, or any other word) reads it.
ReportCheck CheckReport(const std::string& code, const std::string& path);

// About as many characters as one line of a page header holds; a longer
// designation wraps or runs off.
inline constexpr std::size_t kHeaderLineCharacters = 90;

}  // namespace reportword::check
