// Report bytes into the job state, in both modes: must end in rows or a
// GenerationError, and never let invalid UTF-8 into the job state.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "job/generation_error.h"
#include "job/job_state.h"
#include "report/report_reader.h"
#include "text/unicode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  for (bool road : {false, true}) {
    reportword::JobState job;
    job.RoadRenovationMode = road;
    std::istringstream in(bytes);
    try {
      reportword::ReadReport(in, "fuzz", job);
    } catch (const reportword::GenerationError&) {
      continue;
    }
    for (const std::string* text :
         {&job.TableText1, &job.TableText2, &job.BuildNumber, &job.ObjectDesignation}) {
      if (!reportword::text::IsValidUtf8(*text)) std::abort();
    }
  }
  return 0;
}
