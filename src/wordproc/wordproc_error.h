// The failure of a call on the word-processor interface. Every implementation
// throws it, with a message that says which call, template or file failed and
// why; the document generation reports it as its generation error.
#pragma once

#include <stdexcept>
#include <string>

namespace reportword::wordproc {

class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace reportword::wordproc
