// The native engine: implements the word-processor interface directly on OOXML
// packages (.dotx/.docx/.dotm/.docm in, .docx out), without any word processor.
// Templates in legacy, RTF or OpenDocument formats and .pdf/.odt targets are
// converted by LibreOffice at the edges, when one is installed.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "docx/save_clock.h"
#include "system/libreoffice.h"
#include "wordproc/word_processor.h"

namespace reportword::docx {

class DocxBackend : public wordproc::Backend {
 public:
  explicit DocxBackend(ConversionOptions conversion = {}, SaveClock clock = {})
      : conversion_(std::move(conversion)), clock_(std::move(clock)) {}
  std::unique_ptr<wordproc::Application> CreateApplication(wordproc::RunFiles& run_files) override;
  std::unique_ptr<wordproc::FileSystem> CreateFileSystem() override;

 private:
  ConversionOptions conversion_;
  SaveClock clock_;
};

// A document made from the bytes of a template package already in memory, for
// which `name` stands in messages: the document steps without the file system,
// for fuzzing. Its SaveAs writes no file; `*saved` receives the package a .docx
// target would get.
std::unique_ptr<wordproc::Document> OpenDocumentInMemory(std::string template_bytes,
                                                         const std::string& name,
                                                         std::string* saved);

}  // namespace reportword::docx
