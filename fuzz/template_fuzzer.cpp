// Bytes as a template through the whole document path: add, replace in the
// header, set the body, convert it to a table, lay it out, save. Must end in
// a saved document or a Failure. The template check reads the same
// bytes and must end in a report or an error message.
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "check/template_check.h"
#include "docx/docx_engine.h"
#include "text/failure.h"

namespace {

namespace fs = std::filesystem;
using namespace reportword::wordproc;

const fs::path& WorkDir() {
  static const fs::path dir = [] {
    fs::path d = fs::temp_directory_path() / ("reportword-fuzz-" + std::to_string(::getpid()));
    fs::create_directories(d);
    return d;
  }();
  return dir;
}

void RunDocument(Application& app, const std::string& template_path, const std::string& target) {
  static const std::string table_text =
      "A\tB\tC\r\nStra\xC3\x9F"
      "e\t\x01\t\r\n";
  auto doc = app.CreateDocument(template_path, true);
  for (int i = 1; i <= doc->FirstSectionHeaderCount(); ++i) {
    doc->ReplaceInPrimaryHeader("<Datum>", {"06-Dez-2026 \v<x>&", false});
  }
  doc->LayOutBodyAsTable(table_text, {3, {100.0f, 150.0f}, true, false});
  doc->SaveAs(target);
  doc->Close();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fs::path template_path = WorkDir() / "template.dotx";
  {
    std::ofstream out(template_path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  // No converter: a legacy or RTF input must not start LibreOffice per run.
  const reportword::docx::ConversionOptions no_converter{"/nonexistent/soffice"};
  reportword::docx::DocxBackend backend(no_converter);
  reportword::wordproc::RunFiles run_files;
  auto app = backend.CreateApplication(run_files);
  try {
    RunDocument(*app, template_path.string(), (WorkDir() / "out.docx").string());
  } catch (const reportword::Failure&) {
  }
  app->Quit();
  reportword::check::CheckTemplate(template_path.string(), no_converter);
  return 0;
}
