// Any argument text: the parse returns one of its three results and, when
// complete, leaves no double quote in the paths.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "job/command_line.h"
#include "job/job_state.h"

namespace {

class SilentDisplay : public reportword::MessageDisplay {
 public:
  void Show(const std::string&, reportword::MessageStyle) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  reportword::JobState job;
  SilentDisplay display;
  using enum reportword::CommandLineResult;
  const reportword::CommandLineResult result = reportword::ParseCommandLine(text, job, display);
  if (result != kIncomplete && result != kComplete && result != kEmpty) std::abort();
  if (result == kComplete) {
    for (const std::string* path : {&job.TemplatePath1, &job.TemplatePath2, &job.ReportFilePath,
                                    &job.TargetPath1, &job.TargetPath2}) {
      if (path->find('"') != std::string::npos) std::abort();
    }
  }
  return 0;
}
