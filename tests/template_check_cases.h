// The small templates of the template check's tests, one fault each, shared by
// the test that holds the check's predictions against a real run.
#pragma once

#include <string>
#include <vector>

#include "package_builder.h"

namespace reportword::test {

struct TemplateCheckCase {
  const char* name;
  TemplateContents spec;
  bool json;
  int status;
  // Human form: lines the output holds ("{path}" stands for the template);
  // JSON: the whole document.
  std::vector<std::string> expected;
};

std::vector<TemplateCheckCase> TemplateCheckCases();

}  // namespace reportword::test
