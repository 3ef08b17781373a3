// The one exception type of the program's failures, and the beginnings of
// their messages: a message about a template, a part of it, the report or a
// target begins the same way wherever it arises. Every layer throws it; the
// generation calls it GenerationError, the word-processor interface Error.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace reportword {

class Failure : public std::runtime_error {
 public:
  explicit Failure(const std::string& message) : std::runtime_error(message) {}
};

// A part of a package that is not well-formed XML: no reason to fail where
// the part is only looked into, and copied as it stands.
class MalformedPart : public Failure {
 public:
  using Failure::Failure;
};

// An input check that fails only where a file is opened or saved, because
// what the checks saw at the start changed since: the report was replaced by
// something that is not a file, or a target's name leads to one of the run's
// own files by the moment of the save. The run ends as that input check ends
// it; `what()` is the detail, for logs.
enum class FailedInputCheck { kReportMissing, kTargetIsInput };

class InputCheckFailure : public Failure {
 public:
  InputCheckFailure(FailedInputCheck check, const std::string& detail)
      : Failure(detail), check_(check) {}
  FailedInputCheck check() const { return check_; }

 private:
  FailedInputCheck check_;
};

// `template "PATH": WHAT`
Failure TemplateFailure(const std::string& template_path, const std::string& what);
// `template "PATH": part PART WHAT`
MalformedPart PartFailure(const std::string& template_path, const std::string& part,
                          const std::string& what);
// `report file "PATH": WHAT`, `report file "PATH", line N: WHAT`
Failure ReportFailure(const std::string& report_path, const std::string& what);
Failure ReportLineFailure(const std::string& report_path, std::int64_t line,
                          const std::string& what);
// `cannot save "PATH": WHAT`
Failure SaveFailure(const std::string& target_path, const std::string& what);

}  // namespace reportword
