// The word processor's automation object model, as far as the document steps
// use it: its constants, and the two calls with long argument lists. Numeric
// values are the object model's own.
#pragma once

#include <optional>
#include <string>

#include "automation/dispatch.h"
#include "wordproc/word_processor.h"

namespace reportword::automation {

enum class PreferredWidthType : int { kAuto = 1, kPercent = 2, kPoints = 3 };
enum class LineStyle : int { kNone = 0, kSingle = 1 };
enum class TableSeparator : int { kParagraphs = 0, kTabs = 1, kCommas = 2 };
enum class AutoFitBehavior : int { kFixed = 0, kContent = 1, kWindow = 2 };
inline constexpr int kTableFormatNone = 0;
inline constexpr int kHeaderFooterPrimary = 1;
inline constexpr int kAlertsNone = 0;

// Find.Execute arguments in their declared order; an empty optional is an
// omitted argument.
struct FindExecuteArgs {
  std::string find_text;
  std::optional<bool> match_case;
  std::optional<bool> match_whole_word;
  std::optional<bool> match_wildcards;
  std::optional<bool> match_sounds_like;
  std::optional<bool> match_all_word_forms;
  std::optional<bool> forward;
  std::optional<int> wrap;
  std::optional<bool> format;
  std::optional<wordproc::Replacement> replace_with;
  std::optional<int> replace;
  std::optional<bool> match_kashida;
  std::optional<bool> match_diacritics;
  std::optional<bool> match_alef_hamza;
  std::optional<bool> match_control;
};

// Selection.ConvertToTable arguments in their declared order.
struct ConvertToTableArgs {
  std::optional<TableSeparator> separator;
  std::optional<double> num_rows;
  std::optional<short> num_columns;
  std::optional<float> initial_column_width;
  std::optional<int> format;
  std::optional<bool> apply_borders;
  std::optional<bool> apply_shading;
  std::optional<bool> apply_font;
  std::optional<bool> apply_color;
  std::optional<bool> apply_heading_rows;
  std::optional<bool> apply_last_row;
  std::optional<bool> apply_first_column;
  std::optional<bool> apply_last_column;
  std::optional<bool> auto_fit;
  std::optional<AutoFitBehavior> auto_fit_behavior;
  std::optional<int> default_table_behavior;
};

// Runs `find` (a Find object); returns whether the text was found.
bool ExecuteFind(const DispatchObject& find, const FindExecuteArgs& args);

// Converts what `selection` (a Selection object) holds to a table and
// returns it.
DispatchObject ConvertToTable(const DispatchObject& selection, const ConvertToTableArgs& args);

}  // namespace reportword::automation
