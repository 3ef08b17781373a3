// Reads a report file into the job state.
//
// The report format, the one description of it in the code (the README's
// "The report file" has it for users):
// - Line 1 holds no data and is discarded. Lines end at CR, CR LF or LF.
// - A byte-order mark FF FE or FE FF makes the text UTF-16 LE or BE; a file
//   without one that shows UTF-16's NUL bytes is refused. Otherwise the text
//   is UTF-8 when all of it is well-formed UTF-8 (a byte-order mark is
//   dropped), else Windows-1252.
// - A line holds at most 4 MiB (report::kMaxLineBytes); a longer one is
//   refused with its number.
// - Fields are separated by tabs.
// - The first section runs to the first blank line (empty or spaces only).
//   That line and the one after it are skipped; every later line belongs to
//   the second section.
// - Network reports: first-section fields 3 to 5 are a row of TableText1;
//   fields 1 and 2 give BuildNumber and ObjectDesignation (the first
//   non-blank ones). Second-section fields 1 and 2 are a row of TableText2.
// - Road-renovation reports differ in the first section only: fields 2, 4 and
//   5 are the row, and ObjectDesignation collects every field 3 it does not
//   already contain (ignoring case), each after a space.
#pragma once

#include <istream>
#include <string>

#include "job/job_state.h"

namespace reportword {
class ReportObserver;
}

namespace reportword {

// Opens job.ReportFilePath (as the input checks left it: trimmed) and reads it,
// adding the file to job.OwnFiles. Throws GenerationError naming the file (and
// line, where one is concerned), or InputCheckFailure when the path
// no longer names a regular file.
// With `observer`, each line is told as it is read (report_observer.h).
void ReadReportFile(JobState& job, ReportObserver* observer = nullptr);

// Reads an already opened report; `name` is used in error messages. The stream
// must be seekable: it is read twice, first only to settle the encoding, then
// to parse it.
// Rows appended before a failure stay in the job state.
void ReadReport(std::istream& in, const std::string& name, JobState& job,
                ReportObserver* observer = nullptr);

}  // namespace reportword
