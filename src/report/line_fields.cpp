#include "report/line_fields.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

#include "text/translate.h"
#include "text/unicode.h"

namespace reportword::report {

void SplitFields(std::string_view line, std::span<std::string_view> fields) {
  std::fill(fields.begin(), fields.end(), std::string_view{});
  std::int16_t field_number = 1;
  std::size_t start = 0;
  for (;;) {
    const std::size_t tab = line.find('\t', start);
    if (static_cast<std::size_t>(field_number) <= fields.size()) {
      fields[field_number - 1] =
          line.substr(start, tab == std::string_view::npos ? tab : tab - start);
    }
    if (tab == std::string_view::npos) return;
    if (field_number == std::numeric_limits<std::int16_t>::max()) {
      throw std::overflow_error(text::Translate("more than 32766 tabs in one line"));
    }
    ++field_number;
    start = tab + 1;
  }
}

SectionLine SplitSectionLine(const std::string& line, std::int16_t section) {
  SectionLine split;
  split.second_section = section != 0 || text::IsBlank(line);
  if (split.second_section) {
    SplitFields(line, split.second);
  } else {
    SplitFields(line, split.first);
  }
  return split;
}

bool IsRowPastTheSkippedLines(std::int16_t& skip_count) {
  if (skip_count <= 1) {
    ++skip_count;
    return false;
  }
  return true;
}

void AssignWhileBlank(std::string& target, std::string_view value) {
  if (text::IsBlank(target)) target.assign(value);
}

void AppendTextRow(std::string& table, std::initializer_list<std::string_view> columns) {
  std::size_t row_size = columns.size() + 1;  // the tabs between columns and CR LF
  for (std::string_view column : columns) row_size += column.size();
  // Reserving first means the appends below cannot fail halfway; growing at
  // least by half keeps appending row after row linear.
  const std::size_t needed = table.size() + row_size;
  if (needed > table.capacity()) table.reserve(std::max(needed, table.capacity() * 3 / 2));
  bool first = true;
  for (std::string_view column : columns) {
    if (!first) table.push_back('\t');
    table.append(column);
    first = false;
  }
  table.append("\r\n");
}

}  // namespace reportword::report
