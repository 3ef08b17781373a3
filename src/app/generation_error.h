// The one exception type for everything that makes a run fail after the command
// line was read: a failing word-processor call, an unreadable report, a save
// that could not be completed. The message names what went wrong and where.
#pragma once

#include <stdexcept>
#include <string>

namespace reportword {

class GenerationError : public std::runtime_error {
 public:
  explicit GenerationError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace reportword
