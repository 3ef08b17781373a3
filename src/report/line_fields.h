// Pieces shared by the two report line parsers: splitting a line into its
// tab-separated fields, the skipping at the start of the second section, and
// appending table rows.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace reportword::report {

// Splits `line` at its tabs; fields[0] receives field 1, and so on. Fields
// beyond fields.size() are dropped, fields the line lacks are empty. The views
// point into `line`. Fields are counted in 16 bits starting at 1, so the
// 32,767th tab throws std::overflow_error.
void SplitFields(std::string_view line, std::span<std::string_view> fields);

// For a line of the second section: the first two lines of the section are
// skipped and counted in `skip_count`; true for every later line, which gives a
// row.
bool PassSkippedLines(std::int16_t& skip_count);

// Header values take the first usable text: `target` is overwritten while it
// is blank, spaces and all.
void AssignWhileBlank(std::string& target, std::string_view value);

// Appends one table row: the columns separated by tabs and ended by CR LF.
// Either the whole row is appended or, if memory runs out, nothing.
void AppendRow(std::string& table, std::initializer_list<std::string_view> columns);

}  // namespace reportword::report
