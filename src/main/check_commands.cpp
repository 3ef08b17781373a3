#include "main/check_commands.h"

#include <exception>
#include <optional>

#include "check/check_messages.h"
#include "check/check_reports.h"
#include "check/report_check.h"
#include "check/report_check_output.h"
#include "check/report_check_texts.h"
#include "check/template_check.h"
#include "job/generation_error.h"
#include "job/message_box.h"
#include "main/program.h"
#include "text/translate.h"

namespace reportword {
namespace {

constexpr const char* kTemplateCheckOption = "--check-template";
constexpr const char* kReportCheckOption = "--check-report";

struct CheckRequest {
  bool json = false;
  std::vector<std::string> names;  // the code, where there is one, then the files
};

// Options may stand anywhere; "--" ends them, for a file whose name begins
// with a dash. At least `least` names must follow.
std::optional<CheckRequest> ParseCheckArguments(const std::vector<std::string>& arguments,
                                                std::size_t least) {
  CheckRequest request;
  bool options_ended = false;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (!options_ended && argument == "--") {
      options_ended = true;
    } else if (!options_ended && argument.size() > 1 && argument.front() == '-') {
      if (argument != "--json") return std::nullopt;
      request.json = true;
    } else {
      request.names.push_back(argument);
    }
  }
  if (request.names.size() < least) return std::nullopt;
  return request;
}

// The status of a check once its answer is written. An answer that did not
// reach its reader (a full disk, a closed stdout) is a failure, not a clean
// file.
int FinishCheck(std::ostream& out, std::ostream& diagnostics, bool unreadable, bool findings) {
  out.flush();
  if (!out) {
    PrintDiagnostic(diagnostics, text::Translate("the report cannot be written to stdout"));
    return kExitGenerationError;
  }
  if (unreadable) return kExitGenerationError;
  return findings ? kExitTemplateFindings : kExitSuccess;
}

// The check of one template. In the JSON form the message of a template that
// cannot be read is English, like the findings there, while the line on stderr
// stays in the reader's language; the template is read once more for that.
check::TemplateCheck CheckOneTemplate(const std::string& path, bool json,
                                      std::ostream& diagnostics) {
  check::TemplateCheck result = check::CheckTemplate(path);
  if (result.error.empty()) return result;
  PrintDiagnostic(diagnostics, result.error);
  if (json) {
    const text::EnglishMessages english;
    result.error = check::CheckTemplate(path).error;
  }
  return result;
}

}  // namespace

bool IsTemplateCheckCommand(const std::vector<std::string>& arguments) {
  return !arguments.empty() && arguments.front() == kTemplateCheckOption;
}

int RunTemplateCheckCommand(const std::vector<std::string>& arguments, std::ostream& out,
                            std::ostream& diagnostics) {
  try {
    const std::optional<CheckRequest> request = ParseCheckArguments(arguments, 1);
    if (!request) {
      PrintDiagnostic(diagnostics, check::MessageText(check::MessageId::kCheckUsage));
      return kExitIncompleteCommandLine;
    }
    std::vector<check::TemplateCheck> checks;
    bool unreadable = false;
    bool findings = false;
    for (const std::string& path : request->names) {
      checks.push_back(CheckOneTemplate(path, request->json, diagnostics));
      unreadable |= !checks.back().error.empty();
      findings |= !checks.back().findings.empty();
    }
    if (request->json) {
      check::WriteJsonReport(out, checks);
    } else {
      check::WriteTextReport(out, checks);
    }
    return FinishCheck(out, diagnostics, unreadable, findings);
  } catch (const std::exception& failure) {
    PrintDiagnostic(diagnostics, DescribeFailure(failure));
    return kExitGenerationError;
  }
}

bool IsReportCheckCommand(const std::vector<std::string>& arguments) {
  return !arguments.empty() && arguments.front() == kReportCheckOption;
}

int RunReportCheckCommand(const std::vector<std::string>& arguments, std::ostream& out,
                          std::ostream& diagnostics) {
  try {
    const std::optional<CheckRequest> request = ParseCheckArguments(arguments, 2);
    if (!request) {
      PrintDiagnostic(diagnostics, check::ReportTextOf(check::ReportText::kReportCheckUsage));
      return kExitIncompleteCommandLine;
    }
    const std::string& code = request->names.front();
    std::vector<check::ReportCheck> checks;
    bool unreadable = false;
    bool findings = false;
    for (std::size_t i = 1; i < request->names.size(); ++i) {
      const std::string& path = request->names[i];
      checks.push_back(check::CheckReport(code, path));
      if (!checks.back().error.empty()) {
        unreadable = true;
        PrintDiagnostic(diagnostics, checks.back().error);
        if (request->json) {
          const text::EnglishMessages english;
          checks.back().error = check::CheckReport(code, path).error;
        }
      }
      findings |= !checks.back().findings.empty();
    }
    if (request->json) {
      check::WriteReportCheckJson(out, checks);
    } else {
      check::WriteReportCheckText(out, checks);
    }
    return FinishCheck(out, diagnostics, unreadable, findings);
  } catch (const std::exception& failure) {
    PrintDiagnostic(diagnostics, DescribeFailure(failure));
    return kExitGenerationError;
  }
}

}  // namespace reportword
