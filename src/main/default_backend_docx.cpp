#include "docx/docx_engine.h"
#include "main/platform.h"

namespace reportword {

std::unique_ptr<wordproc::Backend> CreateDefaultBackend() {
  return std::make_unique<docx::DocxBackend>();
}

}  // namespace reportword
