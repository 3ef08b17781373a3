// Reads a report file into the job state: line 1 is discarded, every further
// line goes to the line parser of the run's mode.
#pragma once

#include <istream>
#include <string>

#include "app/job_state.h"

namespace reportword {

// Opens job.ReportFilePath (as the input checks left it: trimmed) and reads it.
// Throws GenerationError naming the file (and line, where one is concerned).
void ReadReportFile(JobState& job);

// Reads an already opened report; `name` is used in error messages. The stream
// must be seekable: it is read twice, first only to settle the encoding (UTF-8
// when all of it is well-formed UTF-8, else Windows-1252), then to parse it.
// Rows appended before a failure stay in the job state.
void ReadReport(std::istream& in, const std::string& name, JobState& job);

}  // namespace reportword
