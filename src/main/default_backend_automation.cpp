#include "automation/automation_backend.h"
#include "main/platform.h"

namespace reportword {

// Starting COM can fail before any document step; the caller reports that
// like a generation error.
std::unique_ptr<wordproc::Backend> CreateDefaultBackend() {
  return std::make_unique<automation::AutomationBackend>();
}

}  // namespace reportword
