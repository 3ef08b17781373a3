// The body of a generated document, written as XML text rather than built as a
// tree, a few rows at a time straight from the table's text: a table of a
// million rows never stands in memory as a whole, neither split nor as XML.
#pragma once

#include <cstdint>
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

// The table and the empty paragraph that must follow it, written in pieces.
// `table` (and the text it views) must outlive the writer.
class TableXmlWriter {
 public:
  // `text_width_twips` is the width available between the page margins.
  TableXmlWriter(const TableModel& table, int text_width_twips);

  // Appends the next rows to `out` until it has grown by `min_bytes` or the
  // table is complete; returns false once the table's end is written.
  bool Append(std::string& out, std::size_t min_bytes);

  // No table written from this text is larger (counts the text's line ends).
  std::uint64_t SizeBound() const;

 private:
  void WriteRowXml(std::string& out, std::string_view row) const;

  const TableModel& table_;
  int columns_;
  std::vector<int> widths_;
  bool started_ = false;
  bool rows_done_ = false;
  std::size_t position_ = 0;  // where the next row starts in the text
};

// The number of tab-separated fields of the widest line.
int CountColumns(std::string_view text);

}  // namespace reportword::docx
