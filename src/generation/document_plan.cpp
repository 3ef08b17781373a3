#include "generation/document_plan.h"

#include "text/unicode.h"

namespace reportword {
namespace {

// Road reports' second table: a wide designation column and a narrower one.
constexpr float kRoadFirstColumnPoints = 250.0f;
constexpr float kRoadSecondColumnPoints = 150.0f;

}  // namespace

std::array<DocumentPlan, 2> PlanDocuments(JobState& job) {
  const bool road = job.RoadRenovationMode;
  wordproc::TableLayout first{3, {}, road, false};
  wordproc::TableLayout second{2, {}, road, true};
  if (road) second.column_widths_points = {kRoadFirstColumnPoints, kRoadSecondColumnPoints};
  if (!text::IsBlank(job.BuildNumber))
    job.BuildNumber = text::UpperCaseFirstCharacter(job.BuildNumber);
  return {
      DocumentPlan{1, job.TemplatePath1, job.TargetPath1, job.TableText1, true, std::move(first)},
      DocumentPlan{2, job.TemplatePath2, job.TargetPath2, job.TableText2, false, std::move(second)},
  };
}

}  // namespace reportword
