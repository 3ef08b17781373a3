#include "ooxml/body_table_writer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "ooxml/text_markup.h"

namespace reportword::docx {
namespace {

int PointsToTwips(float points) {
  const double twips = std::round(static_cast<double>(points) * 20.0);
  return static_cast<int>(std::clamp(twips, 0.0, 31680.0));  // 22 inches, the format's maximum
}

void AppendCell(std::string& out, std::string_view content, int width_twips) {
  out += "<w:tc><w:tcPr><w:tcW w:w=\"";
  out += std::to_string(width_twips);
  out += "\" w:type=\"dxa\"/></w:tcPr><w:p>";
  AppendRunXml(out, content);
  out += "</w:p></w:tc>";
}

// The line that starts at `start`, and where the next one starts: CR LF, CR
// and LF each end one line.
std::pair<std::string_view, std::size_t> LineAt(std::string_view text, std::size_t start) {
  std::size_t end = start;
  while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
  std::size_t next = end + 1;
  if (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n') ++next;
  return {text.substr(start, end - start), next};
}

// memchr skips from line end to line end many bytes at a time, where a plain
// count would look at every byte of a text of tens of megabytes.
std::uint64_t Occurrences(std::string_view text, char c) {
  std::uint64_t count = 0;
  const char* const end = text.data() + text.size();
  for (const char* at = text.data(); at != end; ++at) {
    at = static_cast<const char*>(std::memchr(at, c, static_cast<std::size_t>(end - at)));
    if (!at) break;
    ++count;
  }
  return count;
}

}  // namespace

int CountColumns(std::string_view text) {
  int widest = 1;
  for (std::size_t start = 0; start <= text.size();) {
    const auto [line, next] = LineAt(text, start);
    widest = std::max(widest, static_cast<int>(std::count(line.begin(), line.end(), '\t')) + 1);
    start = next;
  }
  return widest;
}

TableXmlWriter::TableXmlWriter(const TableModel& table, int text_width_twips)
    : table_(table),
      columns_(std::max(1, table.columns)),
      widths_(static_cast<std::size_t>(columns_), std::max(1, text_width_twips) / columns_) {
  for (std::size_t i = 0; i < table.column_widths_points.size() && i < widths_.size(); ++i) {
    widths_[i] = PointsToTwips(table.column_widths_points[i]);
  }
}

bool TableXmlWriter::Append(std::string& out, std::size_t min_bytes) {
  const std::size_t goal = out.size() + std::min(min_bytes, out.max_size() - out.size());
  if (!started_) {
    started_ = true;
    // Full width (in fiftieths of a percent), every border drawn as none, as a
    // converted table reads once its borders are taken off.
    out += "<w:tbl><w:tblPr><w:tblW w:w=\"5000\" w:type=\"pct\"/><w:tblBorders>";
    for (const char* side : {"top", "left", "bottom", "right", "insideH", "insideV"}) {
      out += "<w:";
      out += side;
      out += " w:val=\"none\" w:sz=\"0\" w:space=\"0\" w:color=\"auto\"/>";
    }
    out += "</w:tblBorders><w:tblLayout w:type=\"fixed\"/>";
    out +=
        "<w:tblLook w:val=\"0000\" w:firstRow=\"0\" w:lastRow=\"0\" w:firstColumn=\"0\" "
        "w:lastColumn=\"0\" w:noHBand=\"1\" w:noVBand=\"1\"/>";
    out += "</w:tblPr><w:tblGrid>";
    for (int width : widths_) out += "<w:gridCol w:w=\"" + std::to_string(width) + "\"/>";
    out += "</w:tblGrid>";
    // The empty row above goes before the text's rows, and an empty text has
    // just that one.
    if (table_.leading_empty_row && !table_.text.empty()) WriteRowXml(out, {});
  }
  const std::string_view text = table_.text;
  while (!rows_done_ && out.size() < goal) {
    const auto [row, next] = LineAt(text, position_);
    WriteRowXml(out, row);
    position_ = next;
    // A line end after the last row ends that row; it does not start another.
    rows_done_ = next >= text.size();
  }
  if (!rows_done_) return true;
  out += "</w:tbl><w:p/>";
  return false;
}

void TableXmlWriter::WriteRowXml(std::string& out, std::string_view row) const {
  out += "<w:tr>";
  std::size_t start = 0;
  for (int column = 0; column < columns_; ++column) {
    const bool last = column == columns_ - 1;
    std::size_t tab = last ? std::string_view::npos : row.find('\t', start);
    std::string_view cell;
    if (start <= row.size()) {
      // The last cell keeps any further fields, tabs and all: nothing is lost.
      cell =
          row.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start);
    }
    AppendCell(out, cell, widths_[static_cast<std::size_t>(column)]);
    start = tab == std::string_view::npos ? row.size() + 1 : tab + 1;
  }
  out += "</w:tr>";
}

std::uint64_t TableXmlWriter::SizeBound() const {
  const std::string_view text = table_.text;
  // The last line has no line end, and there may be a leading empty row.
  const std::uint64_t rows = Occurrences(text, '\n') + Occurrences(text, '\r') + 2;
  const std::uint64_t columns = static_cast<std::uint64_t>(columns_);
  // A cell is 80 bytes of markup around its run (the width has at most 11
  // digits). A run of n bytes of text is at most 27 + 24 n: its 11 bytes of
  // markup, at most 8 bytes for each byte (w:tab for a tab, "&amp;" for "&",
  // U+FFFD for a stray byte), and 32 bytes of w:t markup for each text piece,
  // of which there is at most one per two bytes, since pieces are separated.
  // The table's start is under 1024 bytes and 30 for each column.
  return 1024 + 30 * columns + rows * (13 + 107 * columns) +
         24 * static_cast<std::uint64_t>(text.size()) + 14;
}

}  // namespace reportword::docx
