// The native engine: implements the word-processor interface directly on OOXML
// packages (.dotx/.docx/.dotm/.docm in, .docx out), without any word processor.
// Templates in legacy, RTF or OpenDocument formats and .pdf/.odt targets are
// converted by LibreOffice at the edges, when one is installed.
#pragma once

#include <memory>

#include "docgen/wordproc/docx/libreoffice.h"
#include "docgen/wordproc/word_processor.h"

namespace reportword::docx {

class DocxBackend : public wordproc::Backend {
 public:
  explicit DocxBackend(ConversionOptions conversion = {}) : conversion_(std::move(conversion)) {}
  std::unique_ptr<wordproc::Application> CreateApplication() override;
  std::unique_ptr<wordproc::FileSystem> CreateFileSystem() override;

 private:
  ConversionOptions conversion_;
};

}  // namespace reportword::docx
