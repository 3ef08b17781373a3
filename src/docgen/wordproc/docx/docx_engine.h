// The native engine: implements the word-processor interface directly on OOXML
// packages (.dotx/.docx/.dotm/.docm in, .docx out), without any word processor.
#pragma once

#include <memory>

#include "docgen/wordproc/word_processor.h"

namespace reportword::docx {

class DocxBackend : public wordproc::Backend {
 public:
  std::unique_ptr<wordproc::Application> CreateApplication() override;
  std::unique_ptr<wordproc::FileSystem> CreateFileSystem() override;
};

}  // namespace reportword::docx
