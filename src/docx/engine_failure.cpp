#include "docx/engine_failure.h"
#include "text/translate.h"

namespace reportword::docx {

wordproc::Error TemplateError(const std::string& template_path, const std::string& what) {
  return wordproc::Error(
      text::Format(text::Translate("template \"{0}\": {1}"), template_path, what));
}

wordproc::Error PartError(const std::string& template_path, const std::string& part,
                          const std::string& what) {
  return TemplateError(template_path, text::Format(text::Translate("part {0} {1}"), part, what));
}

wordproc::Error LegacyTemplateError(const std::string& template_path) {
  return TemplateError(
      template_path, text::Translate("is a legacy binary Word file (.dot/.doc); save it as a Word "
                                     "template (.dotx), or install LibreOffice, which enables "
                                     "this format"));
}

}  // namespace reportword::docx
