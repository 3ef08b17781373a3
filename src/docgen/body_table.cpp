#include "docgen/body_table.h"

namespace reportword {
namespace {

constexpr double kTableRowLimit = 10000.0;
constexpr float kFullWidthPercent = 100.0f;

}  // namespace

wordproc::ConvertToTableArgs TableConversion(short columns) {
  wordproc::ConvertToTableArgs args;
  args.separator = wordproc::TableSeparator::kTabs;
  args.num_rows = kTableRowLimit;
  args.num_columns = columns;
  args.format = wordproc::kTableFormatNone;
  args.apply_borders = true;
  args.apply_shading = false;
  args.apply_font = false;
  args.apply_color = false;
  args.apply_heading_rows = false;
  args.apply_last_row = false;
  args.apply_first_column = false;
  args.apply_last_column = false;
  args.auto_fit = false;
  args.auto_fit_behavior = wordproc::AutoFitBehavior::kFixed;
  return args;
}

std::unique_ptr<wordproc::Table> LayOutBodyTable(wordproc::Document& document,
                                                 const DocumentPlan& plan, JobState& job,
                                                 wordproc::Backend& backend) {
  // Road reports get an empty first row above their data.
  if (job.RoadRenovationMode) plan.table_text = "\r\n" + plan.table_text;
  document.GetContent()->SetText(plan.table_text);

  // The selection is fetched anew for every step because each step may move it.
  if (plan.selects_content) document.GetContent()->Select();
  UseWordApp(job, backend).GetSelection()->WholeStory();
  std::unique_ptr<wordproc::Table> table =
      UseWordApp(job, backend).GetSelection()->ConvertToTable(TableConversion(plan.columns));

  table->SetPreferredWidthType(wordproc::PreferredWidthType::kPercent);
  table->SetPreferredWidth(kFullWidthPercent);
  // The conversion draws borders; the report tables are meant to be line-free.
  table->GetBorders()->SetOutsideLineStyle(wordproc::LineStyle::kNone);
  table->GetBorders()->SetInsideLineStyle(wordproc::LineStyle::kNone);

  // The widths go to the first table of the selection: the one just made.
  int column = 0;
  for (const float width : plan.column_widths_points) {
    UseWordApp(job, backend)
        .GetSelection()
        ->GetTables()
        ->Item(1)
        ->GetColumns()
        ->Item(++column)
        ->SetWidth(width);
  }
  return table;
}

}  // namespace reportword
