// Bytes as a template through the whole document path: add, replace in the
// header, set the body, convert it to a table, lay it out, save. Must end in
// a saved document or a wordproc::Error. The template check reads the same
// bytes and must end in a report or an error message.
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "check/template_check.h"
#include "docgen/body_table.h"
#include "docx/docx_engine.h"
#include "wordproc/wordproc_error.h"

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
  auto doc = app.GetDocuments()->Add("\"" + template_path + "\"");
  FindExecuteArgs find;
  find.find_text = "<Datum>";
  find.match_case = false;
  find.replace_with = ReplacementText{"06-Dez-2026 \v<x>&", false};
  auto headers = doc->GetSections()->Item(1)->GetHeaders();
  for (int i = 1; i <= headers->Count(); ++i) {
    headers->Item(kHeaderFooterPrimary)->GetRange()->GetFind()->Execute(find);
  }
  doc->GetContent()->SetText(
      "\r\nA\tB\tC\r\nStra\xC3\x9F"
      "e\t\x01\t\r\n");
  app.GetSelection()->WholeStory();
  auto table = app.GetSelection()->ConvertToTable(reportword::TableConversion(3));
  table->SetPreferredWidthType(PreferredWidthType::kPercent);
  table->SetPreferredWidth(100.0f);
  table->GetBorders()->SetOutsideLineStyle(LineStyle::kNone);
  table->GetColumns()->Item(2)->SetWidth(150.0f);
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
  auto app = backend.CreateApplication();
  try {
    RunDocument(*app, template_path.string(), (WorkDir() / "out.docx").string());
  } catch (const reportword::wordproc::Error&) {
  }
  app->Quit();
  reportword::check::CheckTemplate(template_path.string(), no_converter);
  return 0;
}
