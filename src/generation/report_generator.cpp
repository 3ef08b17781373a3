#include "generation/report_generator.h"

#include <array>
#include <exception>
#include <memory>

#include "generation/document_plan.h"
#include "generation/header_placeholders.h"
#include "generation/input_validation.h"
#include "job/generation_error.h"
#include "report/report_reader.h"
#include "text/failure.h"
#include "text/translate.h"

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
// (document 1's save held back for a conversion together with document 2's,
// say) must not hide the error that brought the run here: it is returned, to
// be told after it.
std::string AbandonRun(JobState& job, GenerationContext& context,
                       std::unique_ptr<wordproc::Document>& document) noexcept {
  document.reset();
  std::string failure;
  try {
    UseWordApp(job, context.backend).Quit();
  } catch (const std::exception& quit_failure) {
    failure = DescribeFailure(quit_failure);
  } catch (...) {
    failure = text::Translate("unknown failure");
  }
  job.WordApp.reset();
  return failure;
}

// The error that ended the run, and what failed when the word processor was
// then told to quit.
GenerationError Together(const std::string& error, const std::string& quit_failure) {
  if (quit_failure.empty()) return GenerationError(error);
  return GenerationError(text::Format(
      text::Translate("{0} (and ending the word processor failed too: {1})"), error, quit_failure));
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
    UseWordApp(job, context.backend)
        .ExpectDocuments({{plans[0].template_path, plans[0].target_path},
                          {plans[1].template_path, plans[1].target_path}});
    for (std::size_t i = 0; i < plans.size(); ++i) {
      if (std::optional<std::string> message =
              MakeDocument(plans[i], i > 0, job, context, document)) {
        const std::string quit_failure = AbandonRun(job, context, document);
        context.messages.Show(*message, MessageStyle::kInformation);
        if (!quit_failure.empty()) throw GenerationError(quit_failure);
        return GenerationOutcome::kInputCheckFailed;
      }
    }

    // A save held back until now can still fail; then the failure path starts
    // a word processor of its own to quit.
    wordproc::Application& application = UseWordApp(job, context.backend);
    try {
      application.Quit();
    } catch (...) {
      job.WordApp.reset();
      throw;
    }
    job.WordApp.reset();
    return GenerationOutcome::kDocumentsWritten;
  } catch (const InputCheckFailure& failed) {
    // What the input checks saw changed by the time a file was opened or saved.
    const std::string quit_failure = AbandonRun(job, context, document);
    context.messages.Show(MessageOf(failed.check()), MessageStyle::kInformation);
    if (!quit_failure.empty()) throw GenerationError(quit_failure);
    return GenerationOutcome::kInputCheckFailed;
  } catch (const GenerationError& error) {
    const std::string quit_failure = AbandonRun(job, context, document);
    if (quit_failure.empty()) throw;
    throw Together(error.what(), quit_failure);
  } catch (const std::exception& failure) {
    const std::string error = DescribeFailure(failure);
    throw Together(error, AbandonRun(job, context, document));
  } catch (...) {
    AbandonRun(job, context, document);
    throw;
  }
}

}  // namespace reportword
