// The checks' command lines, in place of a run's arguments:
// `--check-template [--json] TEMPLATE...` and
// `--check-report [--json] CODE REPORT...`. They read and never write.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace reportword {

// Whether the arguments ask for the template check rather than a run.
bool IsTemplateCheckCommand(const std::vector<std::string>& arguments);

// Checks every template named and reports on `out`, in the human or the
// JSON form; a template that cannot be read is reported on `diagnostics` as a
// run reports it. Returns kExitSuccess without findings, kExitTemplateFindings
// with some, kExitGenerationError when a template cannot be read and
// kExitIncompleteCommandLine for a wrong command line.
int RunTemplateCheckCommand(const std::vector<std::string>& arguments, std::ostream& out,
                            std::ostream& diagnostics);

// Whether the arguments ask for the report check.
bool IsReportCheckCommand(const std::vector<std::string>& arguments);

// Checks every report named as a run with the code reads it, with the same
// statuses and forms as the template check.
int RunReportCheckCommand(const std::vector<std::string>& arguments, std::ostream& out,
                          std::ostream& diagnostics);

}  // namespace reportword
