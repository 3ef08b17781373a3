// Pieces shared by the two report line parsers: splitting a line into its
// tab-separated fields, the skipping at the start of the second section, and
// appending table rows.
#pragma once

#include <array>
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

// The fields of one report line, split for the section it belongs to; the
// other section's fields stay empty.
struct SectionLine {
  bool second_section = false;
  std::array<std::string_view, 5> first{};   // first-section fields 1 to 5
  std::array<std::string_view, 2> second{};  // second-section fields 1 and 2
};

// The first blank line already belongs to the second section, and so does
// every line once `section` is 1. Throws like SplitFields, before anything is
// stored.
SectionLine SplitSectionLine(const std::string& line, std::int16_t section);

// For a line of the second section: the first two lines of the section are
// skipped and counted in `skip_count`; true for every later line, which gives a
// row.
bool IsRowPastTheSkippedLines(std::int16_t& skip_count);

// Header values take the first usable text: `target` is overwritten while it
// is blank, spaces and all.
void AssignWhileBlank(std::string& target, std::string_view value);

// Appends one table row: the columns separated by tabs and ended by CR LF.
// Either the whole row is appended or, if memory runs out, nothing.
void AppendTextRow(std::string& table, std::initializer_list<std::string_view> columns);

}  // namespace reportword::report
