#include "docx/document_saving.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "docx/document_body.h"
#include "ooxml/content_types.h"
#include "ooxml/document_properties.h"
#include "ooxml/package_pruning.h"
#include "ooxml/xml_part.h"
#include "system/atomic_file.h"
#include "system/libreoffice.h"
#include "text/failure.h"
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

// Converts documents to `format` in one LibreOffice start, then saves each
// over its target as a .docx is saved, so that it keeps the old file's mode
// and owner and reaches the disk before the run says so; in order, and none
// after one that failed.
void SaveConverted(const std::vector<std::pair<std::string, std::string>>& targets_and_docx,
                   const std::string& format, ApplicationState& app) {
  std::vector<ConversionInput> inputs;
  for (const auto& [target, docx] : targets_and_docx) inputs.push_back({docx, ".docx", target});
  const std::vector<ConversionResult> results = app.UseConverter().Convert(inputs, format, "");
  for (std::size_t i = 0; i < results.size(); ++i) {
    if (!results[i].bytes) throw Failure(results[i].failure);
    WriteFileAtomically(targets_and_docx[i].first, *results[i].bytes, app.run_files);
  }
}

// Whether document 1's save at `file_name` waits for document 2's: both are
// to be converted to the same format.
bool WaitsForTheNext(const ApplicationState& app, const std::string& file_name,
                     const std::string& format) {
  return app.planned.size() >= 2 && app.planned[0].target_path == file_name &&
         ConvertedTargetFormat(app.planned[1].target_path) == format;
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

void SaveHeldDocument(ApplicationState& app) {
  if (!app.held) return;
  HeldSave held = *std::move(app.held);
  app.held.reset();
  SaveConverted({{held.target, std::move(held.docx)}}, held.format, app);
}

void SaveDocument(DocumentState& doc, const std::string& file_name, ApplicationState& app) {
  wordproc::CheckSaveTarget(file_name);  // before the package is built for nothing
  std::string bytes = SavedPackage(doc, app);
  const std::string format = ConvertedTargetFormat(file_name);
  if (app.held && app.held->format == format) {
    HeldSave held = *std::move(app.held);
    app.held.reset();
    SaveConverted({{held.target, std::move(held.docx)}, {file_name, std::move(bytes)}}, format,
                  app);
    return;
  }
  SaveHeldDocument(app);  // document 1 first, whatever comes next
  if (format.empty()) {
    WriteFileAtomically(file_name, bytes, app.run_files);
  } else if (WaitsForTheNext(app, file_name, format)) {
    app.held = HeldSave{file_name, std::move(bytes), format};
  } else {
    SaveConverted({{file_name, std::move(bytes)}}, format, app);
  }
}

}  // namespace reportword::docx
