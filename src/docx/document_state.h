// The state of the native engine behind the interface's objects: the
// application with its open documents, and each document made from a
// template. The object classes of the interface are thin handles on these.
#pragma once

#include <pugixml.hpp>

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "docx/body_table_writer.h"
#include "docx/docx_engine.h"
#include "docx/docx_package.h"
#include "docx/engine_failure.h"
#include "docx/package_relationships.h"
#include "docx/xml_namespaces.h"
#include "text/translate.h"

namespace reportword::docx {

// One open document: the template's package, the parts being changed, and the
// body as text or table until it is written out on save.
//
// What holds between the calls of the interface:
// - `package` is the template as read and is never changed; a save writes a
//   new package from it with the changed parts, so a document can be saved
//   more than once.
// - `main_xml` is the main part. Until the body is replaced it holds the
//   template's body; afterwards (`body_replaced`) the body holds only the
//   marker where the generated body goes and the last section's properties,
//   which then carry every header and footer reference in force for it.
// - The generated body is `table` once text was converted, else `body_text`;
//   the two are never both set.
// - `headers` holds the header parts loaded so far, by part name, and
//   `changed_headers` those of them a replacement changed; only those are
//   written back.
// - After `closed`, every call fails.
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
  bool body_replaced = false;
  std::string body_text;
  std::optional<TableModel> table;
  bool closed = false;

  [[noreturn]] void Fail(const std::string& what) const {
    throw TemplateError(template_path, what);
  }
  void CheckOpen() const {
    if (closed) {
      throw wordproc::Error(
          text::Format(text::Translate("the document made from \"{0}\" is closed"), template_path));
    }
  }
  pugi::xml_node Body() const { return ChildW(main_xml.document_element(), "body"); }
};

// The application: its open documents, the one the selection lies in, and
// what the selection covers.
struct ApplicationState {
  ConversionOptions conversion;
  SaveClock clock;
  std::vector<std::shared_ptr<DocumentState>> documents;
  std::shared_ptr<DocumentState> active;
  bool whole_story_selected = false;  // else the insertion point at the start
  bool quit = false;

  void CheckRunning() const {
    if (quit) {
      throw wordproc::Error(
          text::Translate("the word processor was told to quit; no further calls"));
    }
  }
  DocumentState& ActiveDocument() {
    CheckRunning();
    if (!active || active->closed) {
      throw wordproc::Error(text::Translate("there is no open document to select in"));
    }
    return *active;
  }
};

}  // namespace reportword::docx
