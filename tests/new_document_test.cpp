// What a new document made from a template carries besides its text: its
// document properties, and none of the parts that only the template's body used.
#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <set>

#include "docx_fixture.h"

namespace reportword::docx {
namespace {

constexpr const char* kSaved = "2026-12-07T10:15:00Z";

constexpr const char* kDeclaration =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>";
constexpr const char* kCoreNs =
    "xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\" "
    "xmlns:dc=\"http://purl.org/dc/elements/1.1/\" xmlns:dcterms=\"http://purl.org/dc/terms/\" "
    "xmlns:dcmitype=\"http://purl.org/dc/dcmitype/\" "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"";
constexpr const char* kAppNs =
    "xmlns=\"http://schemas.openxmlformats.org/officeDocument/2006/extended-properties\" "
    "xmlns:vt=\"http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes\"";

std::string Core(const std::string& inner) {
  return std::string(kDeclaration) + "<cp:coreProperties " + kCoreNs + ">" + inner +
         "</cp:coreProperties>";
}

std::string App(const std::string& inner) {
  return std::string(kDeclaration) + "<Properties " + kAppNs + ">" + inner + "</Properties>";
}

std::string Date(const char* name, const std::string& value) {
  return std::string("<dcterms:") + name + " xsi:type=\"dcterms:W3CDTF\">" + value +
         "</dcterms:" + name + ">";
}

// The values of every `attribute="..."` in `xml`.
std::set<std::string> AttributeValues(const std::string& xml, const std::string& attribute) {
  std::set<std::string> values;
  const std::regex pattern(" " + attribute + "=\"([^\"]*)\"");
  for (std::sregex_iterator it(xml.begin(), xml.end(), pattern), end; it != end; ++it) {
    values.insert((*it)[1]);
  }
  return values;
}

// The engine's fixture; its saves all happen at kSaveTime.
using NewDocumentTest = DocxEngineTest;

TEST_F(NewDocumentTest, PropertiesAreThoseOfADocumentJustMadeAndSaved) {
  struct Case {
    const char* name;
    std::string core;  // of the template; "" for none
    std::string app;
    std::string expected_core;
    std::string expected_app;  // "" where the document has none
  };
  const std::string descriptive =
      "<dc:title>Netzanalyse</dc:title><dc:subject>Leitungen</dc:subject>"
      "<dc:creator>Netzplanung</dc:creator><cp:keywords>Netz</cp:keywords>"
      "<dc:description>Vorlage</dc:description><cp:lastModifiedBy>M. Muster</cp:lastModifiedBy>";
  const std::string kept_app =
      "<Application>Microsoft Office Word</Application><DocSecurity>0</DocSecurity>"
      "<ScaleCrop>false</ScaleCrop><Company>Stadtwerke</Company>"
      "<LinksUpToDate>false</LinksUpToDate><AppVersion>16.0000</AppVersion>";
  const Case cases[] = {
      {"a template as a word processor saves it",
       Core(descriptive +
            "<cp:revision>7</cp:revision><cp:lastPrinted>2026-01-05T09:00:00Z</cp:lastPrinted>" +
            Date("created", "2026-01-01T08:00:00Z") + Date("modified", "2026-01-02T08:00:00Z") +
            "<cp:category>Bericht</cp:category>"),
       App("<Template>Normal.dotm</Template><TotalTime>95</TotalTime><Pages>3</Pages>"
           "<Words>250</Words><Characters>1500</Characters>" +
           kept_app +
           "<Lines>12</Lines><Paragraphs>3</Paragraphs>"
           "<CharactersWithSpaces>1740</CharactersWithSpaces>"),
       Core(descriptive + "<cp:revision>1</cp:revision>" + Date("created", kSaved) +
            Date("modified", kSaved) + "<cp:category>Bericht</cp:category>"),
       App("<Template>netzanalyse-1.dotx</Template><TotalTime>0</TotalTime>" + kept_app)},
      {"other prefixes, declared where they are used",
       std::string(kDeclaration) +
           "<p:coreProperties "
           "xmlns:p=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\">"
           "<t:title xmlns:t=\"http://purl.org/dc/elements/1.1/\">Netzanalyse</t:title>"
           "<revision "
           "xmlns=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\">4"
           "</revision><q:created xmlns:q=\"http://purl.org/dc/terms/\" "
           "xmlns:i=\"http://www.w3.org/2001/XMLSchema-instance\" "
           "i:type=\"q:W3CDTF\">2026-01-01T08:00:00Z</q:created>"
           "<q:lastPrinted "
           "xmlns:q=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\">"
           "2026-01-05T09:00:00Z</q:lastPrinted>"
           "<x:modified xmlns:x=\"urn:other\">stays</x:modified></p:coreProperties>",
       std::string(kDeclaration) +
           "<ep:Properties "
           "xmlns:ep=\"http://schemas.openxmlformats.org/officeDocument/2006/extended-properties\">"
           "<ep:Words>5</ep:Words><Pages xmlns=\"urn:other\">2</Pages></ep:Properties>",
       std::string(kDeclaration) +
           "<p:coreProperties "
           "xmlns:p=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\">"
           "<t:title xmlns:t=\"http://purl.org/dc/elements/1.1/\">Netzanalyse</t:title>"
           "<revision "
           "xmlns=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\">1"
           "</revision><q:created xmlns:q=\"http://purl.org/dc/terms/\" "
           "xmlns:i=\"http://www.w3.org/2001/XMLSchema-instance\" i:type=\"q:W3CDTF\">" +
           kSaved +
           "</q:created><x:modified xmlns:x=\"urn:other\">stays</x:modified>"
           "<dcterms:modified xmlns:dcterms=\"http://purl.org/dc/terms/\" "
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xsi:type=\"dcterms:W3CDTF\">" +
           kSaved + "</dcterms:modified></p:coreProperties>",
       std::string(kDeclaration) +
           "<ep:Properties "
           "xmlns:ep=\"http://schemas.openxmlformats.org/officeDocument/2006/extended-properties\">"
           "<ep:Template>netzanalyse-1.dotx</ep:Template><Pages xmlns=\"urn:other\">2</Pages>"
           "</ep:Properties>"},
      {"properties already right are not rewritten", Core(Date("created", "2026-01-01T08:00:00Z")),
       std::string(kDeclaration) + "\n<Properties " + kAppNs +
           ">\n  <Template>netzanalyse-1.dotx</Template>\n</Properties>",
       Core(Date("created", kSaved) + "<cp:revision>1</cp:revision>" + Date("modified", kSaved)),
       std::string(kDeclaration) + "\n<Properties " + kAppNs +
           ">\n  <Template>netzanalyse-1.dotx</Template>\n</Properties>"},
      {"no properties parts", "", "",
       Core("<cp:revision>1</cp:revision>" + Date("created", kSaved) + Date("modified", kSaved)),
       ""},
  };
  for (const Case& c : cases) {
    TemplateContents spec;
    spec.core_properties = c.core;
    spec.app_properties = c.app;
    const std::string path = WriteTemplate(spec, "netzanalyse-1.dotx");
    auto doc = Add(path);
    auto parts = SaveAndRead(*doc);
    EXPECT_EQ(parts["docProps/core.xml"], c.expected_core) << c.name;
    EXPECT_EQ(parts["docProps/app.xml"], c.expected_app) << c.name;
    const std::string& package_rels = parts.at("_rels/.rels");
    const std::string& types = parts.at("[Content_Types].xml");
    const std::string core_type =
        "<Override PartName=\"/docProps/core.xml\" "
        "ContentType=\"application/vnd.openxmlformats-package.core-properties+xml\"/>";
    if (c.core.empty()) {
      EXPECT_EQ(package_rels,
                std::string(kDeclaration) +
                    "<Relationships "
                    "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                    "<Relationship Id=\"rId1\" "
                    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
                    "officeDocument\" Target=\"word/document.xml\"/><Relationship Id=\"rId2\" "
                    "Type=\"http://schemas.openxmlformats.org/package/2006/relationships/metadata/"
                    "core-properties\" Target=\"docProps/core.xml\"/></Relationships>")
          << c.name;
      EXPECT_NE(types.find(core_type), std::string::npos) << c.name << "\n" << types;
    } else {
      EXPECT_EQ(package_rels, reportword::testing::ReadPackage(path).at("_rels/.rels")) << c.name;
      EXPECT_EQ(types.find(core_type), types.rfind(core_type)) << c.name << "\n" << types;
    }
  }
}

// A template (tests/data/rich-template) whose body holds a commented passage,
// a footnote, pictures (one of them also in the header), an embedded object,
// a chart, a diagram and a hyperlink, and whose main part relates the parts
// every document needs; optionally a comment mark in the footnote too.
std::string RichTemplate(bool comment_mark_in_footnote) {
  auto parts = reportword::testing::PartsFromFolder("rich-template");
  for (auto& [name, content] : parts) {
    if (name == "word/footnotes.xml" && comment_mark_in_footnote) {
      content.replace(content.find("</w:p>"), 6,
                      "<w:r><w:commentReference w:id=\"0\"/></w:r></w:p>");
    }
  }
  return reportword::testing::ZipParts(parts);
}

TEST_F(NewDocumentTest, PartsThatOnlyTheReplacedBodyUsedAreLeftBehind) {
  const std::set<std::string> body_parts = {"word/media/image1.png",
                                            "word/media/image3.emf",
                                            "word/embeddings/oleObject1.bin",
                                            "word/charts/chart1.xml",
                                            "word/charts/_rels/chart1.xml.rels",
                                            "word/embeddings/sheet1.xlsx",
                                            "word/diagrams/data1.xml",
                                            "word/diagrams/layout1.xml",
                                            "word/diagrams/quickStyle1.xml",
                                            "word/diagrams/colors1.xml",
                                            "word/diagrams/drawing1.xml"};
  const std::set<std::string> comment_parts = {"word/comments.xml", "word/commentsExtended.xml",
                                               "word/commentsIds.xml",
                                               "word/commentsExtensible.xml", "word/people.xml"};
  const std::set<std::string> body_ids = {"rIdImg1",  "rIdShared", "rIdImg3", "rIdOle",
                                          "rIdChart", "rIdLink",   "rIdDm",   "rIdLo",
                                          "rIdQs",    "rIdCs",     "rIdDd"};
  const std::set<std::string> comment_ids = {"rIdCom", "rIdComX", "rIdComI", "rIdComE",
                                             "rIdPeople"};
  struct Case {
    const char* name;
    bool replace_body;
    bool comment_mark_in_footnote;
    std::set<std::string> gone_parts;
    std::set<std::string> gone_ids;
  };
  std::set<std::string> all_parts = body_parts;
  all_parts.insert("docProps/thumbnail.jpeg");
  all_parts.insert(comment_parts.begin(), comment_parts.end());
  std::set<std::string> without_comments = body_parts;
  without_comments.insert("docProps/thumbnail.jpeg");
  std::set<std::string> all_ids = body_ids;
  all_ids.insert(comment_ids.begin(), comment_ids.end());
  const Case cases[] = {
      {"body replaced", true, false, all_parts, all_ids},
      {"body replaced, a comment mark left in a footnote", true, true, without_comments, body_ids},
      {"body kept", false, false, {"docProps/thumbnail.jpeg"}, {}},
  };
  for (const Case& c : cases) {
    const std::string path = (dir_ / "t.dotx").string();
    reportword::testing::WriteFile(path, RichTemplate(c.comment_mark_in_footnote));
    const auto original = reportword::testing::ReadPackage(path);
    auto doc = Add(path);
    if (c.replace_body) doc->GetContent()->SetText("a\tb\r\n");
    const auto parts = SaveAndRead(*doc);

    std::set<std::string> expected_parts, actual_parts;
    for (const auto& [name, content] : original) {
      if (!c.gone_parts.count(name)) expected_parts.insert(name);
    }
    for (const auto& [name, content] : parts) actual_parts.insert(name);
    EXPECT_EQ(actual_parts, expected_parts) << c.name;

    std::set<std::string> expected_ids;
    for (const std::string& id :
         AttributeValues(original.at("word/_rels/document.xml.rels"), "Id")) {
      if (!c.gone_ids.count(id)) expected_ids.insert(id);
    }
    EXPECT_EQ(AttributeValues(parts.at("word/_rels/document.xml.rels"), "Id"), expected_ids)
        << c.name;

    std::set<std::string> expected_overrides;
    for (const std::string& part :
         AttributeValues(original.at("[Content_Types].xml"), "PartName")) {
      if (!c.gone_parts.count(part.substr(1))) expected_overrides.insert(part);
    }
    EXPECT_EQ(AttributeValues(parts.at("[Content_Types].xml"), "PartName"), expected_overrides)
        << c.name;
  }
}

}  // namespace
}  // namespace reportword::docx
