#include "docgen/document_plan.h"

namespace reportword {
namespace {

// Road reports' second table: a wide designation column and a narrower one.
constexpr float kRoadFirstColumnPoints = 250.0f;
constexpr float kRoadSecondColumnPoints = 150.0f;

}  // namespace

std::array<DocumentPlan, 2> PlanDocuments(JobState& job) {
  std::vector<float> second_widths;
  if (job.RoadRenovationMode) second_widths = {kRoadFirstColumnPoints, kRoadSecondColumnPoints};
  return {
      DocumentPlan{1,
                   job.TemplatePath1,
                   job.TargetPath1,
                   job.TableText1,
                   3,
                   true,
                   DateCalls::kOncePerHeader,
                   true,
                   false,
                   {}},
      DocumentPlan{2, job.TemplatePath2, job.TargetPath2, job.TableText2, 2, false,
                   DateCalls::kOnce, false, true, second_widths},
  };
}

}  // namespace reportword
