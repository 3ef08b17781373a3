#include "check/template_check.h"

#include <exception>

#include "check/findings.h"
#include "check/occurrences.h"

namespace reportword::check {

TemplateCheck CheckTemplate(const std::string& path, const docx::ConversionOptions& conversion) {
  TemplateCheck check;
  check.path = path;
  try {
    const docx::TemplateInspection inspection = docx::InspectTemplate(path, conversion);
    check.occurrences = FindOccurrences(inspection);
    check.findings = FindFindings(inspection, check.occurrences);
  } catch (const std::exception& failure) {
    // As a run reports it: the engine's message, which names the template.
    check.error = failure.what();
  }
  return check;
}

}  // namespace reportword::check
