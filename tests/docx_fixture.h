// The fixture of the native engine's tests: templates written by the test,
// documents made through the interface, and their parts read back after a
// save that the schema validator has checked.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <chrono>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "docx/docx_engine.h"
#include "package_builder.h"
#include "test_support.h"
#include "text/failure.h"

namespace reportword::docx {

using namespace reportword::wordproc;
using reportword::test::TemplateContents;

// 2026-12-07T10:15:00.750Z: the fraction must not show in a saved date.
inline const std::chrono::system_clock::time_point kSaveTime =
    std::chrono::sys_days(std::chrono::year(2026) / 12 / 7) + std::chrono::hours(10) +
    std::chrono::minutes(15) + std::chrono::milliseconds(750);

inline constexpr const char* kWordUri =
    "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
inline constexpr const char* kRelUri =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

class DocxEngineTest : public ::testing::Test {
 protected:
  // A document made from a template of these parts, written as `name`.
  std::unique_ptr<Document> AddParts(const reportword::test::Parts& parts,
                                     const std::string& name = "t.dotx") {
    reportword::test::WriteFile(dir_ / name, reportword::test::ZipParts(parts));
    run_files_ = {};  // each document as if of a run of its own
    return app_->CreateDocument((dir_ / name).string(), true);
  }
  static bool Replace(Document& doc, const std::string& find, const std::string& with) {
    return doc.ReplaceInPrimaryHeader(find, {with, false});
  }
  // Lays `text` out as the body's table; the fixture keeps the text, as the
  // job state does in a run.
  void Table(Document& doc, std::string text, short columns, std::vector<float> widths = {},
             bool leading_empty_row = false) {
    doc.LayOutBodyAsTable(texts_.emplace_back(std::move(text)),
                          {columns, std::move(widths), leading_empty_row, false});
  }
  // Saves, closes, checks the schemas and returns the parts of the result.
  std::map<std::string, std::string> SaveAndRead(Document& doc,
                                                 const std::string& name = "out.docx") {
    const auto path = dir_ / name;
    doc.SaveAs(path.string());
    doc.Close();
    reportword::test::ExpectSchemaValid(path);
    return reportword::test::ReadPackage(path);
  }
  // A document made from `spec` (written as template `name`), changed by
  // `edit`, then saved and read back.
  std::map<std::string, std::string> Made(const TemplateContents& spec,
                                          const std::function<void(Document&)>& edit = nullptr,
                                          const std::string& name = "t.dotx") {
    auto doc = AddParts(reportword::test::TemplateParts(spec), name);
    if (edit) edit(*doc);
    return SaveAndRead(*doc);
  }

  reportword::test::TempDir dir_;
  std::list<std::string> texts_;
  // No converter: these tests are about the engine's own formats and messages.
  // Every save happens at the same moment, kSaveTime.
  reportword::wordproc::RunFiles run_files_;
  std::unique_ptr<Application> app_ = DocxBackend(ConversionOptions{"/nonexistent/soffice"}, [] {
                                        return kSaveTime;
                                      }).CreateApplication(run_files_);
};

// `xml` as a reader takes it in, written out again: equal for two parts that
// mean the same whatever their spacing between elements and their escapes.
inline std::string CanonicalXml(const std::string& xml) {
  pugi::xml_document doc;
  EXPECT_TRUE(doc.load_string(xml.c_str())) << xml;
  std::ostringstream out;
  doc.save(out, "", pugi::format_raw | pugi::format_no_declaration);
  return out.str();
}

// The child elements of `xml`'s root (or only the header and footer references
// of its body's last section properties), serialised as they stand.
inline std::string ElementsXml(const std::string& xml, bool final_section_references) {
  pugi::xml_document doc;
  doc.load_string(xml.c_str());
  pugi::xml_node parent = doc.document_element();
  if (final_section_references) parent = parent.child("w:body").child("w:sectPr");
  std::ostringstream out;
  for (pugi::xml_node child : parent.children()) {
    const std::string_view name = child.name();
    if (final_section_references && !name.ends_with("Reference")) continue;
    child.print(out, "", pugi::format_raw);
  }
  return out.str();
}

}  // namespace reportword::docx
