// The body of a generated document, written as XML text rather than built as a
// tree: a table of 100,000 rows stays a matter of appending to a string.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace reportword::docx {

// The body table: the rows of a tab-separated text, full width, without
// borders, with fixed column widths. The text is the job's own, read where it
// lies.
struct TableModel {
  std::string_view text;  // rows ended by line ends, cells separated by tabs
  bool leading_empty_row = false;
  int columns = 1;
  std::vector<float> column_widths_points;  // from column 1 on
};

// Lines of a text: CR LF, CR and LF each end one line.
std::vector<std::string_view> SplitLines(std::string_view text);

// The table and the empty paragraph that must follow it. `text_width_twips`
// is the width available between the page margins.
void AppendTableXml(std::string& out, const TableModel& table, int text_width_twips);

// The number of tab-separated fields of the widest line.
int CountColumns(std::string_view text);

}  // namespace reportword::docx
