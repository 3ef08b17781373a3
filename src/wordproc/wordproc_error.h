// The failure of a call on the word-processor interface. Every implementation
// throws it, with a message that says which call, template or file failed and
// why; the document generation reports it as its generation error.
#pragma once

#include <stdexcept>
#include <string>

namespace reportword::wordproc {

class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// An input check that fails only where a file is opened or saved, because
// what the checks saw at the start changed since: the report was replaced by
// something that is not a file, or a target's name leads to one of the run's
// own files by the moment of the save. The run ends as that input check ends
// it; `what()` is the detail, for logs.
enum class FailedInputCheck { kReportMissing, kTargetIsInput };

class InputCheckError : public Error {
 public:
  InputCheckError(FailedInputCheck check, const std::string& detail)
      : Error(detail), check_(check) {}
  FailedInputCheck check() const { return check_; }

 private:
  FailedInputCheck check_;
};

// `cannot save "PATH": WHAT`
Error SaveError(const std::string& target_path, const std::string& what);

}  // namespace reportword::wordproc
