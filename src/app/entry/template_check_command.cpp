#include "app/entry/template_check_command.h"

#include <exception>
#include <optional>

#include "app/entry/program.h"
#include "app/message_box.h"
#include "check/check_messages.h"
#include "check/check_reports.h"
#include "check/template_check.h"

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

void PrintDiagnostic(std::ostream& diagnostics, const std::string& text) {
  diagnostics << kProgramTitle << ": " << text << std::endl;
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
      PrintDiagnostic(diagnostics, check::CheckUsageText());
      return kExitIncompleteCommandLine;
    }
    std::vector<check::TemplateCheck> checks;
    bool unreadable = false;
    bool findings = false;
    for (const std::string& path : request->templates) {
      checks.push_back(check::CheckTemplate(path));
      unreadable |= !checks.back().error.empty();
      findings |= !checks.back().findings.empty();
      if (!checks.back().error.empty()) PrintDiagnostic(diagnostics, checks.back().error);
    }
    if (request->json) {
      check::WriteJsonReport(out, checks);
    } else {
      check::WriteTextReport(out, checks);
    }
    if (unreadable) return kExitGenerationError;
    return findings ? kExitTemplateFindings : kExitSuccess;
  } catch (const std::exception& failure) {
    PrintDiagnostic(diagnostics, failure.what());
    return kExitGenerationError;
  }
}

}  // namespace reportword
