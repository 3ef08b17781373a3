#include "check/report_check.h"

#include <algorithm>
#include <exception>

#include "generation/header_placeholders.h"
#include "job/command_line.h"
#include "job/generation_error.h"
#include "job/job_state.h"
#include "report/report_observer.h"
#include "report/report_reader.h"
#include "text/display_escaping.h"
#include "text/failure.h"
#include "text/unicode.h"

namespace reportword::check {
namespace {

// The fields the run takes from a line of each section.
constexpr std::size_t kFirstSectionFields = 5;
constexpr std::size_t kSecondSectionFields = 2;
constexpr std::size_t kRowsShown = 3;
constexpr std::size_t kLinesNamed = 3;

std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> pieces;
  for (std::size_t start = 0;;) {
    const std::size_t end = text.find(separator, start);
    pieces.emplace_back(text.substr(start, end - start));
    if (end == std::string_view::npos) return pieces;
    start = end + 1;
  }
}

std::size_t FieldCount(std::string_view line) {
  return static_cast<std::size_t>(std::count(line.begin(), line.end(), '\t')) + 1;
}

bool HoldsDigit(std::string_view field) {
  return std::any_of(field.begin(), field.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Rows whose field count is off, and the first of their lines.
struct OddRows {
  std::int64_t count = 0;
  std::vector<std::int64_t> lines;
  void Add(std::int64_t line) {
    ++count;
    if (lines.size() < kLinesNamed) lines.push_back(line);
  }
};

// Watches the run's reader and keeps what the check tells.
class Observer final : public ReportObserver {
 public:
  explicit Observer(ReportCheck& check) : check_(check) {}

  void EncodingChosen(report::ReportEncoding encoding, bool byte_order_mark) override {
    check_.encoding = encoding;
    check_.byte_order_mark = byte_order_mark;
  }

  void LineRead(std::int64_t number, const std::string& text, const std::string& raw, LineRole role,
                const JobState& job) override {
    check_.lines = number;
    if (check_.encoding == report::ReportEncoding::kWindows1252) CountUtf8(number, raw);
    switch (role) {
      case LineRole::kDiscarded:
        check_.line1 = text;
        break;
      case LineRole::kTable1Row:
        AddRow(check_.table1, number, job.TableText1, table1_size_);
        if (FieldCount(text) < kFirstSectionFields) short_rows_[0].Add(number);
        if (FieldCount(text) > kFirstSectionFields) long_rows_[0].Add(number);
        break;
      case LineRole::kSectionBreak:
        check_.break_line = number;
        break;
      case LineRole::kSkipped:
        check_.skipped_line = number;
        check_.skipped_text = text;
        break;
      case LineRole::kTable2Row:
        AddRow(check_.table2, number, job.TableText2, table2_size_);
        if (text::IsBlank(text)) {
          if (blank_rows_.empty()) blank_rows_.push_back(number);
        } else {
          if (FieldCount(text) < kSecondSectionFields) short_rows_[1].Add(number);
          if (FieldCount(text) > kSecondSectionFields) long_rows_[1].Add(number);
        }
        if (check_.table2.rows == 1) first_table2_text_ = text;
        break;
    }
    Follow(job.BuildNumber, build_number_, check_.build_number, number);
    Follow(job.ObjectDesignation, designation_, check_.designation, number);
  }

  void Finished(const report::LineEndCounts& line_ends) override { check_.line_ends = line_ends; }

  void AddFindings(const JobState& job) {
    check_.build_number.text = FilledHeaderText(PlaceholderValue::kBuildNumber, job);
    check_.designation.text = FilledHeaderText(PlaceholderValue::kObjectDesignation, job);
    std::vector<ReportFinding>& findings = check_.findings;
    if (check_.encoding == report::ReportEncoding::kWindows1252 && check_.utf8_characters > 0) {
      findings.push_back({.kind = ReportFindingKind::kMostlyUtf8,
                          .line = check_.first_foreign_line,
                          .count = check_.foreign_bytes,
                          .other_count = check_.utf8_characters});
    }
    if (check_.line_ends.first_different_line != 0) {
      findings.push_back(
          {.kind = ReportFindingKind::kMixedLineEnds,
           .line = static_cast<std::int64_t>(check_.line_ends.first_different_line)});
    }
    if (check_.break_line == 0 && check_.lines > 1)
      findings.push_back({.kind = ReportFindingKind::kNoSecondSection});
    if (check_.table1.rows == 0) findings.push_back({.kind = ReportFindingKind::kEmptyTable1});
    if (check_.break_line != 0 && check_.table2.rows == 0) {
      findings.push_back({.kind = ReportFindingKind::kEmptyTable2, .line = check_.break_line});
    }
    if (SkippedLineLooksLikeData()) {
      findings.push_back({.kind = ReportFindingKind::kSkippedDataRow,
                          .line = check_.skipped_line,
                          .count = static_cast<std::int64_t>(FieldCount(check_.skipped_text)),
                          .detail = check_.skipped_text});
    }
    for (int table = 0; table < 2; ++table) {
      const std::int64_t fields =
          static_cast<std::int64_t>(table == 0 ? kFirstSectionFields : kSecondSectionFields);
      for (const auto& [kind, rows] :
           {std::pair{ReportFindingKind::kShortRows, short_rows_[table]},
            std::pair{ReportFindingKind::kLongRows, long_rows_[table]}}) {
        if (rows.count == 0) continue;
        findings.push_back({.kind = kind,
                            .line = rows.lines.front(),
                            .count = rows.count,
                            .other_count = fields,
                            .table = table + 1,
                            .lines = rows.lines});
      }
    }
    if (!blank_rows_.empty())
      findings.push_back({.kind = ReportFindingKind::kBlankRow, .line = blank_rows_.front()});
    if (check_.lines > 1 && check_.build_number.text.empty())
      findings.push_back({.kind = ReportFindingKind::kBlankBuildNumber});
    if (check_.lines > 1 && check_.designation.text.empty())
      findings.push_back({.kind = ReportFindingKind::kBlankDesignation});
    if (job.RoadRenovationMode &&
        text::DisplayWidth(check_.designation.text) > kHeaderLineCharacters) {
      findings.push_back(
          {.kind = ReportFindingKind::kLongDesignation,
           .line = check_.designation.line,
           .count = static_cast<std::int64_t>(text::DisplayWidth(check_.designation.text))});
    }
    // In the order of the report: what concerns it whole first.
    std::stable_sort(
        findings.begin(), findings.end(),
        [](const ReportFinding& a, const ReportFinding& b) { return a.line < b.line; });
  }

 private:
  // The row the line appended to its table text, as the run's table holds it.
  void AddRow(TableSection& table, std::int64_t number, const std::string& table_text,
              std::size_t& known_size) {
    if (table.first_line == 0) table.first_line = number;
    table.last_line = number;
    ++table.rows;
    if (table.first_rows.size() < kRowsShown) {
      std::string_view row = std::string_view(table_text).substr(known_size);
      if (row.ends_with("\r\n")) row.remove_suffix(2);
      table.first_rows.push_back(Split(row, '\t'));
    }
    known_size = table_text.size();
  }

  // A value the parser takes while it is blank: the line that set it last.
  void Follow(const std::string& now, std::string& before, HeaderValue& value,
              std::int64_t number) {
    if (now == before) return;
    if (value.from_lines == 0 || text::IsBlank(before) ||
        !std::string_view(now).starts_with(before)) {
      value.line = number;
      value.from_lines = 0;
    }
    ++value.from_lines;
    before = now;
  }

  // The bytes of an 8-bit line that are not UTF-8, and the UTF-8 characters
  // of several bytes among them, which Windows-1252 shows as several each.
  void CountUtf8(std::int64_t number, std::string_view raw) {
    for (std::size_t pos = 0; pos < raw.size();) {
      const auto byte = static_cast<unsigned char>(raw[pos]);
      std::size_t next = pos;
      char32_t cp = 0;
      if (byte < 0x80) {
        ++pos;
      } else if (text::TryDecodeUtf8(raw, next, cp)) {
        ++check_.utf8_characters;
        pos = next;
      } else {
        if (check_.foreign_bytes++ == 0) {
          check_.first_foreign_line = number;
          check_.first_foreign_column = static_cast<std::int64_t>(pos) + 1;
        }
        ++pos;
      }
    }
  }

  // The line after the break is skipped whatever it holds. A heading there is
  // meant to be; a row like those after it is lost: its fields hold digits
  // where theirs do, and it has as many.
  bool SkippedLineLooksLikeData() const {
    if (check_.skipped_line == 0 || check_.table2.rows == 0) return false;
    const std::vector<std::string> skipped = Split(check_.skipped_text, '\t');
    const std::vector<std::string> row = Split(first_table2_text_, '\t');
    if (skipped.size() < 2 || skipped.size() != row.size()) return false;
    bool digits = false;
    for (std::size_t i = 0; i < row.size(); ++i) {
      if (HoldsDigit(row[i]) != HoldsDigit(skipped[i])) return false;
      digits = digits || HoldsDigit(row[i]);
    }
    return digits;
  }

  ReportCheck& check_;
  std::size_t table1_size_ = 0;
  std::size_t table2_size_ = 0;
  std::string build_number_;
  std::string designation_;
  std::string first_table2_text_;
  OddRows short_rows_[2];
  OddRows long_rows_[2];
  std::vector<std::int64_t> blank_rows_;
};

}  // namespace

ReportCheck CheckReport(const std::string& code, const std::string& path) {
  ReportCheck check;
  check.path = path;
  JobState job;
  ApplyCode(code, job);
  check.road_renovation = job.RoadRenovationMode;
  // The path as the input checks leave it.
  job.ReportFilePath = text::TrimmedCopy(path);
  Observer observer(check);
  try {
    ReadReportFile(job, &observer);
  } catch (const std::exception& failure) {
    ReportCheck refused;
    refused.path = path;
    refused.error = dynamic_cast<const InputCheckFailure*>(&failure) ? failure.what()
                                                                     : DescribeFailure(failure);
    return refused;
  }
  observer.AddFindings(job);
  return check;
}

}  // namespace reportword::check
