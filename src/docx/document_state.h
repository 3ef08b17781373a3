// The state of the native engine: each document made from a template, and
// what the documents of one engine share.
#pragma once

#include <pugixml.hpp>

#include <exception>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "docx/save_clock.h"
#include "ooxml/body_table_writer.h"
#include "ooxml/package_relationships.h"
#include "ooxml/xml_namespaces.h"
#include "package/template_package.h"
#include "system/libreoffice.h"
#include "text/failure.h"
#include "wordproc/word_processor.h"

namespace reportword::docx {

// One open document: the template's package, the parts being changed, and the
// body's table until it is written out on save.
//
// - `package` is the template as read and is never changed; a save writes a
//   new package from it with the changed parts, so a document can be saved
//   more than once.
// - `main_xml` is the main part. Until a table is laid out it holds the
//   template's body; afterwards the body holds only the marker where the table
//   goes and the last section's properties, which then carry every header and
//   footer reference in force for it.
// - `headers` holds the header parts loaded so far, by part name, and
//   `changed_headers` those of them a replacement changed; only those are
//   written back.
struct DocumentState {
  std::string template_path;
  std::unique_ptr<TemplatePackage> package;
  std::string main_part;
  pugi::xml_document main_xml;
  pugi::xml_document content_types;
  Relationships main_relationships;
  std::string main_rels_part;
  std::map<std::string, std::unique_ptr<pugi::xml_document>> headers;  // loaded header parts
  std::set<std::string> changed_headers;
  std::optional<TableModel> table;
  std::optional<TemplateConversion> conversion;  // for a template in another format

  [[noreturn]] void Fail(const std::string& what) const {
    throw TemplateFailure(template_path, what);
  }
  pugi::xml_node Body() const { return ChildW(main_xml.document_element(), "body"); }
};

// A template read, and converted where it needed it, before it is opened; or
// why it cannot be, thrown when it is.
struct PreparedTemplate {
  std::unique_ptr<TemplatePackage> package;
  std::exception_ptr failure;
  std::optional<TemplateConversion> conversion;
};

// A converted document whose save waits for the next document's, so that both
// are converted in one LibreOffice start.
struct HeldSave {
  std::string target;
  std::string docx;
  std::string format;
};

// What every document of one engine shares.
struct ApplicationState {
  explicit ApplicationState(ConversionOptions options = {}) : conversion(std::move(options)) {}
  // One converter for the run, made at the first conversion.
  Converter& UseConverter() {
    if (!converter) converter = std::make_unique<Converter>(conversion);
    return *converter;
  }

  ConversionOptions conversion;
  SaveClock clock;
  // The run's own files, which no save replaces; none in memory.
  wordproc::RunFiles* run_files = nullptr;
  std::vector<wordproc::PlannedDocument> planned;
  bool planned_templates_prepared = false;
  std::unique_ptr<Converter> converter;
  std::map<std::string, PreparedTemplate> prepared;  // by template path, until opened
  std::optional<HeldSave> held;
  bool quit = false;
};

}  // namespace reportword::docx
