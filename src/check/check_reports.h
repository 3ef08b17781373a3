// The two forms of the check's report: a short table per template followed by
// its findings, for people, and one JSON document, for scripts.
#pragma once

#include <ostream>
#include <vector>

#include "check/check_result.h"

namespace reportword::check {

// In the reader's language, names with their control characters escaped.
// Templates that could not be read are left out; their message goes
// elsewhere, as a run's would.
void WriteTextReport(std::ostream& out, const std::vector<TemplateCheck>& checks);

// {"templates": [{"path", "placeholders": [...], "findings": [...]}]}; a
// template that could not be read has "error" with the message instead. Each
// finding is {"kind", "placeholder", "section", "part", "text"}, the text in
// English under every locale, for the scripts that read them.
void WriteJsonReport(std::ostream& out, const std::vector<TemplateCheck>& checks);

}  // namespace reportword::check
