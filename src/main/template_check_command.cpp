#include "main/template_check_command.h"

#include <exception>
#include <optional>

#include "check/check_messages.h"
#include "check/check_reports.h"
#include "check/template_check.h"
#include "core/generation_error.h"
#include "core/message_box.h"
#include "main/program.h"
#include "text/translate.h"

namespace reportword {
namespace {

constexpr const char* kCheckOption = "--check-template";

struct CheckRequest {
  bool json = false;
  std::vector<std::string> templates;
};

// Options may stand anywhere; "--" ends them, for a template whose name
// begins with a dash.
std::optional<CheckRequest> ParseCheckArguments(const std::vector<std::string>& arguments) {
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
      request.templates.push_back(argument);
    }
  }
  if (request.templates.empty()) return std::nullopt;
  return request;
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
  return !arguments.empty() && arguments.front() == kCheckOption;
}

int RunTemplateCheckCommand(const std::vector<std::string>& arguments, std::ostream& out,
                            std::ostream& diagnostics) {
  try {
    const std::optional<CheckRequest> request = ParseCheckArguments(arguments);
    if (!request) {
      PrintDiagnostic(diagnostics, check::MessageText(check::MessageId::kCheckUsage));
      return kExitIncompleteCommandLine;
    }
    std::vector<check::TemplateCheck> checks;
    bool unreadable = false;
    bool findings = false;
    for (const std::string& path : request->templates) {
      checks.push_back(CheckOneTemplate(path, request->json, diagnostics));
      unreadable |= !checks.back().error.empty();
      findings |= !checks.back().findings.empty();
    }
    if (request->json) {
      check::WriteJsonReport(out, checks);
    } else {
      check::WriteTextReport(out, checks);
    }
    // A report that did not reach its reader (a full disk, a closed stdout) is
    // a failure, not a clean template.
    out.flush();
    if (!out) {
      PrintDiagnostic(diagnostics, text::Translate("the report cannot be written to stdout"));
      return kExitGenerationError;
    }
    if (unreadable) return kExitGenerationError;
    return findings ? kExitTemplateFindings : kExitSuccess;
  } catch (const std::exception& failure) {
    PrintDiagnostic(diagnostics, DescribeFailure(failure));
    return kExitGenerationError;
  }
}

}  // namespace reportword
