#include "report/network_line_parser.h"

#include <array>
#include <string_view>

#include "report/line_fields.h"
#include "text/unicode.h"

namespace reportword {

void NetworkLineParser::ParseNetworkLine(const std::string& line, JobState& job) {
  // Nothing is stored until the line has been split, the step that can fail.
  const report::SectionLine split = report::SplitSectionLine(line, NetworkSection);
  const bool second_section = split.second_section;
  const auto& first_fields = split.first;
  const auto& second_fields = split.second;
  if (second_section) NetworkSection = 1;

  // Runs in both sections: a second-section line offers empty values.
  report::AssignWhileBlank(job.BuildNumber, first_fields[0]);
  report::AssignWhileBlank(job.ObjectDesignation, first_fields[1]);

  if (!second_section) {
    report::AppendTextRow(job.TableText1, {first_fields[2], first_fields[3], first_fields[4]});
  } else if (report::IsRowPastTheSkippedLines(NetworkSkipCount)) {
    report::AppendTextRow(job.TableText2, {second_fields[0], second_fields[1]});
  }
}

}  // namespace reportword
