#include "docx/document_saving.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "docx/atomic_file.h"
#include "docx/content_types.h"
#include "docx/document_body.h"
#include "docx/document_properties.h"
#include "docx/engine_failure.h"
#include "docx/libreoffice.h"
#include "docx/package_pruning.h"
#include "docx/xml_part.h"
#include "text/translate.h"
#include "text/unicode.h"
#include "text/utf8_path.h"
#include "wordproc/save_target.h"

namespace reportword::docx {
namespace {

// The format a target's extension asks for, where it is not .docx content.
std::string ConvertedTargetFormat(const std::string& file_name) {
  const std::string extension = text::PathFromUtf8(file_name).extension().string();
  for (const char* format : {"pdf", "odt"}) {
    if (text::EqualsIgnoreCase(extension, std::string(".") + format)) return format;
  }
  return "";
}

// Has LibreOffice convert the document in a private working folder, then
// saves the result over the target as a .docx is saved, so that it keeps the
// old file's mode and owner and reaches the disk before the run says so.
void SaveConverted(const std::string& bytes, const std::string& file_name,
                   const std::string& format, const ApplicationState& app) {
  namespace fs = std::filesystem;
  ScratchDir work;
  const fs::path docx = work.path() / "document.docx";
  {
    std::ofstream out(docx, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) throw SaveError(file_name, text::Translate("writing failed"));
  }
  WriteFileAtomically(
      file_name, ConvertWithLibreOffice(docx, format, work.path(), app.conversion, "", file_name),
      app.run_files);
}

std::string TemplateFileName(const std::string& path) {
  return text::PathToUtf8(text::PathFromUtf8(path).filename());
}

// The package as a word processor would save the new document at `saved_at`.
// The document state itself is left as it is, so that it can be saved again.
std::string NewPackage(const DocumentState& doc, std::chrono::system_clock::time_point saved_at) {
  pugi::xml_document content_types;
  content_types.reset(doc.content_types);
  const PrunedPackage pruned =
      PruneUnusedParts(*doc.package, doc.main_part, doc.main_xml.document_element(), content_types);
  std::map<std::string, std::string> replaced = pruned.rewritten;
  SetNewDocumentProperties(*doc.package, TemplateFileName(doc.template_path), saved_at,
                           content_types, replaced);
  replaced[kContentTypesPart] = WriteXmlPart(content_types);
  for (const std::string& part : doc.changed_headers) {
    replaced[part] = WriteXmlPart(*doc.headers.at(part));
  }
  // The main part is made while it is compressed: with a large table, it is
  // many times the size of the table's text.
  MainPartWriter main_part(doc);
  const StreamedPart streamed{doc.main_part,
                              [&main_part](std::string& piece) { return main_part.Next(piece); },
                              main_part.SizeBound()};
  return doc.package->Write(replaced, pruned.dropped_parts, &streamed);
}

}  // namespace

std::string SavedPackage(const DocumentState& doc, const ApplicationState& app) {
  return NewPackage(doc, app.clock ? app.clock() : std::chrono::system_clock::now());
}

void SaveDocument(DocumentState& doc, const std::string& file_name, const ApplicationState& app) {
  wordproc::CheckSaveTarget(file_name);  // before the package is built for nothing
  const std::string bytes = SavedPackage(doc, app);
  const std::string format = ConvertedTargetFormat(file_name);
  if (format.empty()) {
    WriteFileAtomically(file_name, bytes, app.run_files);
  } else {
    SaveConverted(bytes, file_name, format, app);
  }
}

}  // namespace reportword::docx
