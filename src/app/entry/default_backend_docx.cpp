#include "app/entry/platform.h"
#include "docgen/wordproc/docx/docx_engine.h"

namespace reportword {

std::unique_ptr<wordproc::Backend> CreateDefaultBackend() {
  return std::make_unique<docx::DocxBackend>();
}

}  // namespace reportword
