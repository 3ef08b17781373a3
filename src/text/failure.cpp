#include "text/failure.h"

#include "text/translate.h"

namespace reportword {

Failure TemplateFailure(const std::string& template_path, const std::string& what) {
  return Failure(text::Format(text::Translate("template \"{0}\": {1}"), template_path, what));
}

MalformedPart PartFailure(const std::string& template_path, const std::string& part,
                          const std::string& what) {
  return MalformedPart(
      TemplateFailure(template_path, text::Format(text::Translate("part {0} {1}"), part, what))
          .what());
}

Failure ReportFailure(const std::string& report_path, const std::string& what) {
  return Failure(text::Format(text::Translate("report file \"{0}\": {1}"), report_path, what));
}

Failure ReportLineFailure(const std::string& report_path, std::int64_t line,
                          const std::string& what) {
  return Failure(
      text::Format(text::Translate("report file \"{0}\", line {1}: {2}"), report_path, line, what));
}

Failure SaveFailure(const std::string& target_path, const std::string& what) {
  return Failure(text::Format(text::Translate("cannot save \"{0}\": {1}"), target_path, what));
}

}  // namespace reportword
