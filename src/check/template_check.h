// The template check: what runs will do with a template, read exactly as a
// run reads it, and what will go wrong. It never writes.
#pragma once

#include <string>

#include "check/check_result.h"
#include "system/libreoffice.h"

namespace reportword::check {

// Checks one template. When it cannot be read, the check carries the message
// a run would give in `error`.
TemplateCheck CheckTemplate(const std::string& path,
                            const docx::ConversionOptions& conversion = {});

}  // namespace reportword::check
