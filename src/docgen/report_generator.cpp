#include "docgen/report_generator.h"

#include <array>
#include <exception>
#include <memory>

#include "core/generation_error.h"
#include "docgen/body_table.h"
#include "docgen/document_plan.h"
#include "docgen/header_placeholders.h"
#include "docgen/input_validation.h"
#include "report/report_reader.h"

namespace reportword {
namespace {

// What one run holds besides the job state. At most one document is open at a
// time; the body table of the last document is kept until the run ends.
struct RunObjects {
  std::unique_ptr<wordproc::Document> document;
  std::unique_ptr<wordproc::Table> body_table;
};

// Makes and saves one document. Returns the input check's message instead
// when the target turns out to be an earlier one just before the save.
std::optional<std::string> MakeDocument(const DocumentPlan& plan, bool second, JobState& job,
                                        GenerationContext& context, RunObjects& run) {
  wordproc::Application& word_app = UseWordApp(job, context.backend);
  word_app.GetApplication()->SetVisible(false);
  if (plan.turns_alerts_off) word_app.SetDisplayAlerts(wordproc::kAlertsNone);

  // The template goes in quoted, so that a path with blanks stays one argument.
  run.document = word_app.GetDocuments()->Add("\"" + plan.template_path + "\"");
  run.document->GetApplication()->SetVisible(false);
  ReplaceHeaderPlaceholders(*run.document, plan, job, context.dates);
  run.body_table = LayOutBodyTable(*run.document, plan, job, context.backend);
  if (second) {
    if (std::optional<std::string> message = RecheckSecondTarget(job, context.backend))
      return message;
  }
  run.document->SaveAs(plan.target_path);
  run.document->Close();
  run.document.reset();
  return std::nullopt;
}

// Shuts the word processor down after a failure. The open document is dropped
// unsaved. The application is created here if the failure came before it was
// started, so that every failing run ends with a Quit. A failure while quitting
// must not hide the error that brought the run here, so it is swallowed.
void AbandonRun(JobState& job, GenerationContext& context, RunObjects& run) noexcept {
  run.document.reset();
  run.body_table.reset();
  try {
    UseWordApp(job, context.backend).GetApplication()->Quit();
  } catch (...) {
  }
  job.WordApp.reset();
}

}  // namespace

GenerationOutcome GenerateReports(JobState& job, GenerationContext& context) {
  RunObjects run;
  try {
    if (std::optional<std::string> message = ValidateInputs(job, context.backend)) {
      context.messages.Show(*message, MessageStyle::kInformation);
      return GenerationOutcome::kInputCheckFailed;
    }

    ReadReportFile(job);

    const std::array<DocumentPlan, 2> plans = PlanDocuments(job);
    for (std::size_t i = 0; i < plans.size(); ++i) {
      if (std::optional<std::string> message = MakeDocument(plans[i], i > 0, job, context, run)) {
        AbandonRun(job, context, run);
        context.messages.Show(*message, MessageStyle::kInformation);
        return GenerationOutcome::kInputCheckFailed;
      }
    }

    UseWordApp(job, context.backend).GetApplication()->Quit();
    run.body_table.reset();
    job.WordApp.reset();
    return GenerationOutcome::kDocumentsWritten;
  } catch (const GenerationError&) {
    AbandonRun(job, context, run);
    throw;
  } catch (const std::exception& failure) {
    GenerationError error(DescribeFailure(failure));
    AbandonRun(job, context, run);
    throw error;
  } catch (...) {
    AbandonRun(job, context, run);
    throw;
  }
}

}  // namespace reportword
