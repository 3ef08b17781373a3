#include "docgen/body_table.h"

namespace reportword {
namespace {

constexpr double kTableRowLimit = 10000.0;
constexpr float kFullWidthPercent = 100.0f;
constexpr float kRoadFirstColumnPoints = 250.0f;
constexpr float kRoadSecondColumnPoints = 150.0f;

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

}  // namespace

std::unique_ptr<wordproc::Table> LayOutBodyTable(wordproc::Document& document, int document_number,
                                                 JobState& job, wordproc::Backend& backend) {
  const bool first_document = document_number == 1;
  std::string& table_text = first_document ? job.TableText1 : job.TableText2;

  // Road reports get an empty first row above their data.
  if (job.RoadRenovationMode) table_text = "\r\n" + table_text;
  document.GetContent()->SetText(table_text);

  // A new first document is the active one with the selection in its body;
  // the second is selected explicitly. The selection is fetched anew for every
  // step because each step may move it.
  if (!first_document) document.GetContent()->Select();
  UseWordApp(job, backend).GetSelection()->WholeStory();
  std::unique_ptr<wordproc::Table> table =
      UseWordApp(job, backend)
          .GetSelection()
          ->ConvertToTable(TableConversion(first_document ? 3 : 2));

  table->SetPreferredWidthType(wordproc::PreferredWidthType::kPercent);
  table->SetPreferredWidth(kFullWidthPercent);
  // The conversion draws borders; the report tables are meant to be line-free.
  table->GetBorders()->SetOutsideLineStyle(wordproc::LineStyle::kNone);
  table->GetBorders()->SetInsideLineStyle(wordproc::LineStyle::kNone);

  if (!first_document && job.RoadRenovationMode) {
    UseWordApp(job, backend)
        .GetSelection()
        ->GetTables()
        ->Item(1)
        ->GetColumns()
        ->Item(1)
        ->SetWidth(kRoadFirstColumnPoints);
    UseWordApp(job, backend)
        .GetSelection()
        ->GetTables()
        ->Item(1)
        ->GetColumns()
        ->Item(2)
        ->SetWidth(kRoadSecondColumnPoints);
  }
  return table;
}

}  // namespace reportword
