// What will go wrong when runs use a template, each finding a place and a fix.
#pragma once

#include <vector>

#include "check/check_result.h"
#include "docx/template_inspection.h"

namespace reportword::check {

// The findings, in this order: placeholders shown as written, pages that do
// not show the filled header, near misses, repeated placeholders in the
// filled header, and text columns.
std::vector<Finding> FindFindings(const docx::TemplateInspection& inspection,
                                  const std::vector<Occurrence>& occurrences);

}  // namespace reportword::check
