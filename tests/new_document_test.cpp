// What a new document made from a template carries besides its text: its
// document properties, and none of the parts that only the template's body used.
#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <set>

#include "docgen/wordproc/docx/docx_engine.h"
#include "package_builder.h"
#include "test_support.h"

namespace reportword::docx {
namespace {

using namespace reportword::wordproc;
using reportword::testing::TemplateContents;

// 2026-12-07T10:15:00.750Z: the fraction must not show.
const std::chrono::system_clock::time_point kSaveTime =
    std::chrono::sys_days(std::chrono::year(2026) / 12 / 7) + std::chrono::hours(10) +
    std::chrono::minutes(15) + std::chrono::milliseconds(750);
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

class NewDocumentTest : public ::testing::Test {
 protected:
  std::string WriteTemplate(const TemplateContents& spec, const std::string& name = "t.dotx") {
    const auto path = dir_ / name;
    reportword::testing::WriteFile(path, reportword::testing::BuildTemplate(spec));
    return path.string();
  }
  std::unique_ptr<Document> Add(const std::string& path) {
    return app_->GetDocuments()->Add("\"" + path + "\"");
  }
  // Saves, closes, checks the schemas and returns the parts of the result.
  std::map<std::string, std::string> SaveAndRead(Document& doc) {
    const auto path = dir_ / "out.docx";
    doc.SaveAs(path.string());
    doc.Close();
    reportword::testing::ExpectSchemaValid(path);
    return reportword::testing::ReadPackage(path);
  }

  reportword::testing::TempDir dir_;
  std::unique_ptr<Application> app_ = DocxBackend(ConversionOptions{"/nonexistent/soffice"}, [] {
                                        return kSaveTime;
                                      }).CreateApplication();
};

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

// VML picture markup that names an image relationship.
std::string Picture(const std::string& id) {
  return "<w:pict><v:shape xmlns:v=\"urn:schemas-microsoft-com:vml\" "
         "style=\"width:10pt;height:10pt\"><v:imagedata r:id=\"" +
         id + "\"/></v:shape></w:pict>";
}

std::string Relationship(const std::string& id, const std::string& type,
                         const std::string& target) {
  const std::string base = type.find("://") == std::string::npos
                               ? "http://schemas.openxmlformats.org/officeDocument/2006/"
                                 "relationships/"
                               : "";
  return "<Relationship Id=\"" + id + "\" Type=\"" + base + type + "\" Target=\"" + target + "\"/>";
}

std::string Override(const std::string& part, const std::string& type) {
  return "<Override PartName=\"/" + part + "\" ContentType=\"" + type + "\"/>";
}

std::string WordPart(const std::string& root, const std::string& inner) {
  return std::string(kDeclaration) + "<w:" + root + " " + reportword::testing::kWordNs + ">" +
         inner + "</w:" + root + ">";
}

// A template whose body holds a commented passage, a footnote, pictures (one of
// them also in the header), an embedded object, a chart, a diagram and a
// hyperlink, and
// whose main part relates the parts that every document needs.
TemplateContents RichTemplate(bool comment_mark_in_footnote) {
  const std::string comment_mark = "<w:r><w:commentReference w:id=\"0\"/></w:r>";
  TemplateContents spec;
  spec.thumbnail = true;
  spec.headers = {{"default", "<w:p><w:r>" + Picture("rIdLogo") + "</w:r></w:p>"}};
  spec.body =
      "<w:p><w:commentRangeStart w:id=\"0\"/><w:r><w:t>Intern</w:t></w:r>"
      "<w:commentRangeEnd w:id=\"0\"/>" +
      comment_mark + "<w:r><w:footnoteReference w:id=\"1\"/></w:r></w:p><w:p><w:r>" +
      Picture("rIdImg1") + "</w:r><w:r>" + Picture("rIdShared") +
      "</w:r></w:p><w:p><w:r><w:object><v:shape xmlns:v=\"urn:schemas-microsoft-com:vml\" "
      "id=\"ole1\" style=\"width:20pt;height:20pt\"><v:imagedata r:id=\"rIdImg3\"/></v:shape>"
      "<o:OLEObject xmlns:o=\"urn:schemas-microsoft-com:office:office\" Type=\"Embed\" "
      "ProgID=\"Package\" ShapeID=\"ole1\" DrawAspect=\"Icon\" ObjectID=\"_1\" r:id=\"rIdOle\"/>"
      "</w:object></w:r></w:p><w:p><w:r><w:drawing><wp:inline "
      "xmlns:wp=\"http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing\">"
      "<wp:extent cx=\"914400\" cy=\"914400\"/><wp:docPr id=\"1\" name=\"Chart 1\"/><a:graphic "
      "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\"><a:graphicData "
      "uri=\"http://schemas.openxmlformats.org/drawingml/2006/chart\"><c:chart "
      "xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\" r:id=\"rIdChart\"/>"
      "</a:graphicData></a:graphic></wp:inline></w:drawing></w:r></w:p>"
      "<w:p><w:r><w:drawing><wp:inline "
      "xmlns:wp=\"http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing\">"
      "<wp:extent cx=\"914400\" cy=\"914400\"/><wp:docPr id=\"2\" name=\"Diagram 1\"/><a:graphic "
      "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\"><a:graphicData "
      "uri=\"http://schemas.openxmlformats.org/drawingml/2006/diagram\"><dgm:relIds "
      "xmlns:dgm=\"http://schemas.openxmlformats.org/drawingml/2006/diagram\" r:dm=\"rIdDm\" "
      "r:lo=\"rIdLo\" r:qs=\"rIdQs\" r:cs=\"rIdCs\"/></a:graphicData></a:graphic></wp:inline>"
      "</w:drawing></w:r></w:p>"
      "<w:p><w:hyperlink r:id=\"rIdLink\"><w:r><w:t>Link</w:t></w:r></w:hyperlink></w:p>";
  const std::string ms = "http://schemas.microsoft.com/office/";
  spec.extra_relationships =
      Relationship("rIdImg1", "image", "media/image1.png") +
      Relationship("rIdShared", "image", "media/image2.png") +
      Relationship("rIdImg3", "image", "media/image3.emf") +
      Relationship("rIdOle", "oleObject", "embeddings/oleObject1.bin") +
      Relationship("rIdChart", "chart", "charts/chart1.xml") +
      "<Relationship Id=\"rIdLink\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
      "relationships/hyperlink\" Target=\"https://example.org/\" TargetMode=\"External\"/>" +
      Relationship("rIdDm", "diagramData", "diagrams/data1.xml") +
      Relationship("rIdLo", "diagramLayout", "diagrams/layout1.xml") +
      Relationship("rIdQs", "diagramQuickStyle", "diagrams/quickStyle1.xml") +
      Relationship("rIdCs", "diagramColors", "diagrams/colors1.xml") +
      Relationship("rIdDd", ms + "2007/relationships/diagramDrawing", "diagrams/drawing1.xml") +
      Relationship("rIdCom", "comments", "comments.xml") +
      Relationship("rIdComX", ms + "2011/relationships/commentsExtended", "commentsExtended.xml") +
      Relationship("rIdComI", ms + "2016/09/relationships/commentsIds", "commentsIds.xml") +
      Relationship("rIdComE", ms + "2018/08/relationships/commentsExtensible",
                   "commentsExtensible.xml") +
      Relationship("rIdPeople", ms + "2011/relationships/people", "people.xml") +
      Relationship("rIdStyles", "styles", "styles.xml") +
      Relationship("rIdNum", "numbering", "numbering.xml") +
      Relationship("rIdFoot", "footnotes", "footnotes.xml") +
      Relationship("rIdGloss", "glossaryDocument", "glossary/document.xml") +
      Relationship("rIdCx", "customXml", "../customXml/item1.xml");
  const std::string wml = "application/vnd.openxmlformats-officedocument.wordprocessingml.";
  spec.extra_content_types =
      "<Default Extension=\"png\" ContentType=\"image/png\"/>"
      "<Default Extension=\"emf\" ContentType=\"image/x-emf\"/>"
      "<Default Extension=\"bin\" "
      "ContentType=\"application/vnd.openxmlformats-officedocument.oleObject\"/>"
      "<Default Extension=\"xlsx\" "
      "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet\"/>" +
      Override("word/charts/chart1.xml",
               "application/vnd.openxmlformats-officedocument.drawingml.chart+xml") +
      Override("word/comments.xml", wml + "comments+xml") +
      Override("word/commentsExtended.xml", wml + "commentsExtended+xml") +
      Override("word/commentsIds.xml", wml + "commentsIds+xml") +
      Override("word/commentsExtensible.xml", wml + "commentsExtensible+xml") +
      Override("word/people.xml", wml + "people+xml") +
      Override("word/styles.xml", wml + "styles+xml") +
      Override("word/numbering.xml", wml + "numbering+xml") +
      Override("word/footnotes.xml", wml + "footnotes+xml") +
      Override("word/glossary/document.xml", wml + "document.glossary+xml") +
      Override("customXml/itemProps1.xml",
               "application/vnd.openxmlformats-officedocument.customXmlProperties+xml");
  const std::string png = std::string("\x89PNG\r\n\x1a\n", 8);
  spec.extra_parts = {
      {"word/_rels/header1.xml.rels",
       "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">" +
           Relationship("rIdLogo", "image", "media/image2.png") + "</Relationships>"},
      {"word/media/image1.png", png + "body"},
      {"word/media/image2.png", png + "shared"},
      {"word/media/image3.emf", "EMF"},
      {"word/embeddings/oleObject1.bin", "OLE"},
      {"word/charts/chart1.xml",
       "<c:chartSpace xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\"/>"},
      {"word/charts/_rels/chart1.xml.rels",
       "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">" +
           Relationship("rId1", "package", "../embeddings/sheet1.xlsx") + "</Relationships>"},
      {"word/embeddings/sheet1.xlsx", "PK"},
      // The diagram's data names its drawing among the main part's relationships.
      {"word/diagrams/data1.xml",
       "<dgm:dataModel xmlns:dgm=\"http://schemas.openxmlformats.org/drawingml/2006/diagram\">"
       "<dgm:extLst><a:ext xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
       "uri=\"http://schemas.microsoft.com/office/drawing/2008/diagram\"><dsp:dataModelExt "
       "xmlns:dsp=\"http://schemas.microsoft.com/office/drawing/2008/diagram\" "
       "relId=\"rIdDd\"/></a:ext></dgm:extLst></dgm:dataModel>"},
      {"word/diagrams/layout1.xml", "<layoutDef/>"},
      {"word/diagrams/quickStyle1.xml", "<styleDef/>"},
      {"word/diagrams/colors1.xml", "<colorsDef/>"},
      {"word/diagrams/drawing1.xml", "<drawing/>"},
      {"word/comments.xml",
       WordPart("comments",
                "<w:comment w:id=\"0\" w:author=\"Netzplanung\"><w:p><w:r><w:t>internal note: "
                "not for the customer</w:t></w:r></w:p></w:comment>")},
      {"word/commentsExtended.xml", "<w15:commentsEx xmlns:w15=\"urn:w15\"/>"},
      {"word/commentsIds.xml", "<w16cid:commentsIds xmlns:w16cid=\"urn:w16cid\"/>"},
      {"word/commentsExtensible.xml", "<w16cex:commentsExtensible xmlns:w16cex=\"urn:w16cex\"/>"},
      {"word/people.xml", "<w15:people xmlns:w15=\"urn:w15\"/>"},
      {"word/styles.xml", WordPart("styles", "")},
      {"word/numbering.xml", WordPart("numbering", "")},
      {"word/_rels/numbering.xml.rels",
       "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">" +
           Relationship("rId1", "image", "media/bullet.png") + "</Relationships>"},
      {"word/media/bullet.png", png + "bullet"},
      {"word/footnotes.xml",
       WordPart("footnotes", "<w:footnote w:id=\"1\"><w:p><w:r><w:t>Fn</w:t></w:r>" +
                                 (comment_mark_in_footnote ? comment_mark : "") +
                                 "</w:p></w:footnote>")},
      {"word/glossary/document.xml", WordPart("glossaryDocument", "<w:docParts/>")},
      {"customXml/item1.xml", "<data/>"},
      {"customXml/_rels/item1.xml.rels",
       "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">" +
           Relationship("rId1", "customXmlProps", "itemProps1.xml") + "</Relationships>"},
      {"customXml/itemProps1.xml", "<ds:datastoreItem xmlns:ds=\"urn:ds\" ds:itemID=\"{1}\"/>"},
  };
  return spec;
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
    const std::string path = WriteTemplate(RichTemplate(c.comment_mark_in_footnote));
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
