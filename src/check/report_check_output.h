// The two forms of the report check's answer: what the run reads and the
// findings, for people, and one JSON document, for scripts.
#pragma once

#include <ostream>
#include <vector>

#include "check/report_check.h"

namespace reportword::check {

// In the reader's language, names and texts with their control characters
// escaped. Reports that could not be read are left out; their message goes
// elsewhere, as a run's would.
void WriteReportCheckText(std::ostream& out, const std::vector<ReportCheck>& checks);

// {"reports": [{"path", "encoding", "line_ends", "sections", "values",
// "findings": [{"kind", "line", "text"}]}]}; a report that could not be read
// has "error" with the message instead. The finding texts are English under
// every locale, for the scripts that read them.
void WriteReportCheckJson(std::ostream& out, const std::vector<ReportCheck>& checks);

}  // namespace reportword::check
