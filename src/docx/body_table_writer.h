// The body of a generated document, written as XML text rather than built as a
// tree: a table of 100,000 rows stays a matter of appending to a string.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "wordproc/word_processor.h"

namespace reportword::docx {

// A body table made from tab-separated text, with the properties set on it.
struct TableModel {
  std::string text;  // rows ended by line ends, cells separated by tabs
  int columns = 1;
  bool apply_borders = false;
  bool fixed_layout = false;
  std::optional<wordproc::PreferredWidthType> preferred_width_type;
  std::optional<float> preferred_width;
  bool outside_borders = false;  // effective state after conversion and later settings
  bool inside_borders = false;
  std::map<int, float> column_widths_points;  // 1-based column -> points
};

// Lines of a text: CR LF, CR and LF each end one line.
std::vector<std::string_view> SplitLines(std::string_view text);

// One paragraph per line of `text`; a text ending with a line end ends with an
// empty paragraph, an empty text gives one empty paragraph.
void AppendParagraphsXml(std::string& out, std::string_view text);

// The table and the empty paragraph that must follow it. `text_width_twips`
// is the width available between the page margins.
void AppendTableXml(std::string& out, const TableModel& table, int text_width_twips);

// The number of tab-separated fields of the widest line.
int CountColumns(std::string_view text);

}  // namespace reportword::docx
