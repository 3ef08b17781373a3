#include "docgen/report_generator.h"

#include <array>
#include <exception>
#include <memory>

#include "core/generation_error.h"
#include "docgen/document_plan.h"
#include "docgen/header_placeholders.h"
#include "docgen/input_validation.h"
#include "report/report_reader.h"
#include "wordproc/wordproc_error.h"

namespace reportword {
namespace {

// Makes and saves one document. Returns the input check's message instead
// when the target turns out to be an earlier one just before the save.
// `document` holds the open document, so that a failure can drop it.
std::optional<std::string> MakeDocument(const DocumentPlan& plan, bool second, JobState& job,
                                        GenerationContext& context,
                                        std::unique_ptr<wordproc::Document>& document) {
  document =
      UseWordApp(job, context.backend).CreateDocument(plan.template_path, plan.turns_alerts_off);
  ReplaceHeaderPlaceholders(*document, plan, job, context.dates);
  document->LayOutBodyAsTable(plan.table_text, plan.table);
  if (second) {
    if (std::optional<std::string> message = RecheckSecondTarget(job, context.backend))
      return message;
  }
  document->SaveAs(plan.target_path);
  document->Close();
  document.reset();
  return std::nullopt;
}

// Shuts the word processor down after a failure. The open document is dropped
// unsaved. The application is created here if the failure came before it was
// started, so that every failing run ends with a Quit. A failure while quitting
// must not hide the error that brought the run here, so it is swallowed.
void AbandonRun(JobState& job, GenerationContext& context,
                std::unique_ptr<wordproc::Document>& document) noexcept {
  document.reset();
  try {
    UseWordApp(job, context.backend).Quit();
  } catch (...) {
  }
  job.WordApp.reset();
}

}  // namespace

GenerationOutcome GenerateReports(JobState& job, GenerationContext& context) {
  std::unique_ptr<wordproc::Document> document;
  try {
    if (std::optional<std::string> message = ValidateInputs(job, context.backend)) {
      context.messages.Show(*message, MessageStyle::kInformation);
      return GenerationOutcome::kInputCheckFailed;
    }
    // A target that its save would refuse is refused before document 1
    // replaces anything; each save checks its own again.
    wordproc::FileSystem& file_system = UseFileSystem(job, context.backend);
    file_system.CheckSaveTarget(job.TargetPath1);
    file_system.CheckSaveTarget(job.TargetPath2);

    ReadReportFile(job);

    const std::array<DocumentPlan, 2> plans = PlanDocuments(job);
    for (std::size_t i = 0; i < plans.size(); ++i) {
      if (std::optional<std::string> message =
              MakeDocument(plans[i], i > 0, job, context, document)) {
        AbandonRun(job, context, document);
        context.messages.Show(*message, MessageStyle::kInformation);
        return GenerationOutcome::kInputCheckFailed;
      }
    }

    UseWordApp(job, context.backend).Quit();
    job.WordApp.reset();
    return GenerationOutcome::kDocumentsWritten;
  } catch (const GenerationError&) {
    AbandonRun(job, context, document);
    throw;
  } catch (const wordproc::InputCheckError& failed) {
    // What the input checks saw changed by the time a file was opened or saved.
    AbandonRun(job, context, document);
    context.messages.Show(MessageOf(failed.check()), MessageStyle::kInformation);
    return GenerationOutcome::kInputCheckFailed;
  } catch (const std::exception& failure) {
    GenerationError error(DescribeFailure(failure));
    AbandonRun(job, context, document);
    throw error;
  } catch (...) {
    AbandonRun(job, context, document);
    throw;
  }
}

}  // namespace reportword
