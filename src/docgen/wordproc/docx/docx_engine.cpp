#include "docgen/wordproc/docx/docx_engine.h"

#include "docgen/generation_error.h"
#include "docgen/wordproc/local_file_system.h"

namespace reportword::docx {

std::unique_ptr<wordproc::Application> DocxBackend::CreateApplication() {
  throw GenerationError("the native .docx engine is not yet available");
}

std::unique_ptr<wordproc::FileSystem> DocxBackend::CreateFileSystem() {
  return std::make_unique<wordproc::LocalFileSystem>();
}

}  // namespace reportword::docx
