// The schema check itself: a document a word processor would reject, or
// repair, is found faulty and the fault named; markup in namespaces a consumer
// may ignore is no fault.
#ifndef _WIN32
#include "schema_check.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "package_builder.h"
#include "test_support.h"

namespace reportword::test {
namespace {

using ::testing::AllOf;
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

constexpr const char* kDocumentType =
    "application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml";

void Insert(std::string& xml, const std::string& before, const std::string& text) {
  xml.insert(xml.find(before), text);
}

TEST(SchemaCheckTest, NamesWhatAWordProcessorWouldRejectOrRepair) {
  struct Case {
    const char* name;
    std::function<void(Parts&)> edit;
    const char* fault;  // "" for a valid document
  };
  const Case cases[] = {
      {"a valid document", [](Parts&) {}, ""},
      {"markup in namespaces a consumer ignores, and alternate content",
       [](Parts& parts) {
         Insert(Part(parts, "word/document.xml"), "<w:sectPr>",
                "<w:p xmlns:w14=\"http://schemas.microsoft.com/office/word/2010/wordml\" "
                "xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\" "
                "w14:paraId=\"1A2B3C4D\"><w14:unknown/><mc:AlternateContent><mc:Choice "
                "Requires=\"w14\"><w14:new/></mc:Choice><mc:Fallback><w:r><w:t>old</w:t></w:r>"
                "</mc:Fallback></mc:AlternateContent></w:p>");
       },
       ""},
      {"an element WordprocessingML does not have",
       [](Parts& parts) { Insert(Part(parts, "word/document.xml"), "<w:sectPr>", "<w:bogus/>"); },
       "word/document.xml: line 1: Element '{http://schemas.openxmlformats.org/"
       "wordprocessingml/2006/main}bogus'"},
      {"a header with an attribute out of range",
       [](Parts& parts) {
         Insert(Part(parts, "word/header1.xml"), "<w:r>",
                "<w:pPr><w:jc w:val=\"middle\"/></w:pPr>");
       },
       "word/header1.xml: line 1: Element '{http://schemas.openxmlformats.org/"
       "wordprocessingml/2006/main}jc', attribute"},
      {"a body that ends with a table",
       [](Parts& parts) {
         Insert(Part(parts, "word/document.xml"), "<w:sectPr>",
                "<w:tbl><w:tblPr/><w:tblGrid><w:gridCol w:w=\"100\"/></w:tblGrid><w:tr><w:tc>"
                "<w:p/></w:tc></w:tr></w:tbl>");
       },
       "word/document.xml: the body ends with a table"},
      {"a relationship to a part that is not there",
       [](Parts& parts) {
         Insert(Part(parts, "word/_rels/document.xml.rels"), "</Relationships>",
                "<Relationship Id=\"rIdX\" Type=\"http://schemas.openxmlformats.org/"
                "officeDocument/2006/relationships/image\" Target=\"media/gone.png\"/>");
       },
       "word/_rels/document.xml.rels: relationship rIdX names the missing part "
       "word/media/gone.png"},
      {"a template's content type on the main part", [](Parts&) {}, "not a document's"},
      {"content types that the packaging schema does not allow",
       [](Parts& parts) { Insert(Part(parts, "[Content_Types].xml"), "</Types>", "<Bogus/>"); },
       "[Content_Types].xml: line 1: Element"},
  };
  TempDir dir;
  for (const Case& c : cases) {
    TemplateContents spec;
    if (std::string_view(c.name) != "a template's content type on the main part")
      spec.main_content_type = kDocumentType;
    Parts parts = TemplateParts(spec);
    c.edit(parts);
    WriteFile(dir / "t.docx", ZipParts(parts));
    const std::vector<std::string> faults = SchemaFaults(dir / "t.docx");
    if (*c.fault == '\0') {
      EXPECT_THAT(faults, IsEmpty()) << c.name;
    } else {
      EXPECT_THAT(faults, Contains(HasSubstr(c.fault))) << c.name;
    }
  }
}

}  // namespace
}  // namespace reportword::test
#endif
