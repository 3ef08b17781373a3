#include "docx/body_table_writer.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "docx/text_markup.h"

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

}  // namespace

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  lines.push_back(text.substr(start));
  return lines;
}

int CountColumns(std::string_view text) {
  int widest = 1;
  for (std::string_view line : SplitLines(text)) {
    widest = std::max(widest, static_cast<int>(std::count(line.begin(), line.end(), '\t')) + 1);
  }
  return widest;
}

void AppendTableXml(std::string& out, const TableModel& table, int text_width_twips) {
  const int columns = std::max(1, table.columns);
  std::vector<int> widths(static_cast<std::size_t>(columns),
                          std::max(1, text_width_twips) / columns);
  for (std::size_t i = 0; i < table.column_widths_points.size() && i < widths.size(); ++i) {
    widths[i] = PointsToTwips(table.column_widths_points[i]);
  }

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
  for (int width : widths) out += "<w:gridCol w:w=\"" + std::to_string(width) + "\"/>";
  out += "</w:tblGrid>";

  std::vector<std::string_view> rows = SplitLines(table.text);
  // A line end after the last row ends that row; it does not start another.
  if (rows.size() > 1 && rows.back().empty()) rows.pop_back();
  // The empty row above goes before the text's rows, and an empty text has
  // just that one.
  if (table.leading_empty_row && !table.text.empty()) rows.insert(rows.begin(), std::string_view());
  for (std::string_view row : rows) {
    out += "<w:tr>";
    std::size_t start = 0;
    for (int column = 0; column < columns; ++column) {
      const bool last = column == columns - 1;
      std::size_t tab = last ? std::string_view::npos : row.find('\t', start);
      std::string_view cell;
      if (start <= row.size()) {
        // The last cell keeps any further fields, tabs and all: nothing is lost.
        cell =
            row.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start);
      }
      AppendCell(out, cell, widths[static_cast<std::size_t>(column)]);
      start = tab == std::string_view::npos ? row.size() + 1 : tab + 1;
    }
    out += "</w:tr>";
  }
  out += "</w:tbl><w:p/>";
}

}  // namespace reportword::docx
