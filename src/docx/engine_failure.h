// How the engine reports what went wrong. Every failure is the interface's
// own failure type, and a message about a template or a target begins the
// same way wherever in the engine it arises.
#pragma once

#include <string>

#include "wordproc/wordproc_error.h"

namespace reportword::docx {

// `template "PATH": WHAT`
wordproc::Error TemplateError(const std::string& template_path, const std::string& what);

// `template "PATH": part PART WHAT`
wordproc::Error PartError(const std::string& template_path, const std::string& part,
                          const std::string& what);

// `cannot save "PATH": WHAT`
using wordproc::SaveError;

// Why a legacy binary Word template (.dot/.doc) is not read without a converter.
wordproc::Error LegacyTemplateError(const std::string& template_path);

}  // namespace reportword::docx
