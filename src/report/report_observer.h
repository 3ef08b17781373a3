// What the reader makes of a report, told line by line as it reads, for the
// report check, which must tell what a run reads without a reader of its own.
// A run reads with no observer.
#pragma once

#include <cstdint>
#include <string>

#include "job/job_state.h"
#include "report/report_decoding.h"

namespace reportword {

enum class LineRole {
  kDiscarded,     // line 1, which holds no data
  kTable1Row,     // a line of the first section
  kSectionBreak,  // the blank line that ends the first section
  kSkipped,       // the line after it
  kTable2Row,     // a line of the second section
};

class ReportObserver {
 public:
  virtual ~ReportObserver() = default;
  // Before the first line: how the bytes are read, and whether a byte-order
  // mark was taken off the start.
  virtual void EncodingChosen(report::ReportEncoding encoding, bool byte_order_mark) = 0;
  // After the parser took line `number`: its text, its bytes as they stand in
  // the file where that is 8-bit text (empty for UTF-16), what it became, and
  // the job state after it.
  virtual void LineRead(std::int64_t number, const std::string& text, const std::string& raw,
                        LineRole role, const JobState& job) = 0;
  // After the last line.
  virtual void Finished(const report::LineEndCounts& line_ends) = 0;
};

}  // namespace reportword
