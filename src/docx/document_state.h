// The state of the native engine: each document made from a template, and
// what the documents of one engine share.
#pragma once

#include <pugixml.hpp>

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "docx/body_table_writer.h"
#include "docx/docx_engine.h"
#include "docx/docx_package.h"
#include "docx/engine_failure.h"
#include "docx/package_relationships.h"
#include "docx/xml_namespaces.h"

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

  [[noreturn]] void Fail(const std::string& what) const {
    throw TemplateError(template_path, what);
  }
  pugi::xml_node Body() const { return ChildW(main_xml.document_element(), "body"); }
};

// What every document of one engine shares.
struct ApplicationState {
  ConversionOptions conversion;
  SaveClock clock;
  // The run's own files, which no save replaces; none in memory.
  wordproc::RunFiles* run_files = nullptr;
  bool quit = false;
};

}  // namespace reportword::docx
