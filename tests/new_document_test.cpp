// What a new document made from a template carries besides its text: its
// document properties, and none of the parts that only the template's body used.
#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <set>
#include <tuple>

#include "docx_fixture.h"

namespace reportword::docx {
namespace {

constexpr const char* kSaved = "2026-12-07T10:15:00Z";

constexpr const char* kDeclaration =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>";
const std::string kCp = "http://schemas.openxmlformats.org/package/2006/metadata/core-properties";
const std::string kDcTerms = "http://purl.org/dc/terms/";
const std::string kXsi = "http://www.w3.org/2001/XMLSchema-instance";
const std::string kAppNs =
    "xmlns=\"http://schemas.openxmlformats.org/officeDocument/2006/extended-properties\" "
    "xmlns:vt=\"http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes\"";

std::string Core(const std::string& inner) {
  return kDeclaration + ("<cp:coreProperties xmlns:cp=\"" + kCp) +
         "\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\" xmlns:dcterms=\"" + kDcTerms +
         "\" xmlns:dcmitype=\"http://purl.org/dc/dcmitype/\" xmlns:xsi=\"" + kXsi + "\">" + inner +
         "</cp:coreProperties>";
}

std::string App(const std::string& inner) {
  return kDeclaration + ("<Properties " + kAppNs) + ">" + inner + "</Properties>";
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
using ::testing::HasSubstr;

TEST_F(NewDocumentTest, PropertiesAreThoseOfADocumentJustMadeAndSaved) {
  // The template's properties parts ("" for none) and the document's ("" where
  // it has none).
  struct Case {
    const char* name;
    std::string core;
    std::string app;
    std::string expected_core;
    std::string expected_app;
  };
  const std::string descriptive =
      "<dc:title>Netzanalyse</dc:title><dc:subject>Leitungen</dc:subject><dc:creator>Netzplanung</"
      "dc:creator><cp:keywords>Netz</cp:keywords><dc:description>Vorlage</"
      "dc:description><cp:lastModifiedBy>M. Muster</cp:lastModifiedBy>";
  const std::string kept_app =
      "<Application>Microsoft Office "
      "Word</Application><DocSecurity>0</DocSecurity><ScaleCrop>false</"
      "ScaleCrop><Company>Stadtwerke</Company><LinksUpToDate>false</"
      "LinksUpToDate><AppVersion>16.0000</AppVersion>";
  // Prefixes of their own, declared where they are used, and a decoy "modified"
  // and "Pages" in another namespace.
  const std::string prefixed_core =
      "<p:coreProperties xmlns:p=\"" + kCp +
      "\"><t:title xmlns:t=\"http://purl.org/dc/elements/1.1/\">Netzanalyse</t:title><revision "
      "xmlns=\"" +
      kCp + "\">";
  const std::string prefixed_created =
      "<q:created xmlns:q=\"" + kDcTerms + "\" xmlns:i=\"" + kXsi + "\" i:type=\"q:W3CDTF\">";
  const std::string decoy = "<x:modified xmlns:x=\"urn:other\">stays</x:modified>";
  const std::string prefixed_app =
      "<ep:Properties "
      "xmlns:ep=\"http://schemas.openxmlformats.org/officeDocument/2006/extended-properties\">";
  const std::string pages = "<Pages xmlns=\"urn:other\">2</Pages></ep:Properties>";
  const std::string right_app = kDeclaration + ("\n<Properties " + kAppNs) +
                                ">\n  <Template>netzanalyse-1.dotx</Template>\n</Properties>";
  const Case cases[] = {
      {"a template as a word processor saves it",
       Core(descriptive +
            "<cp:revision>7</cp:revision><cp:lastPrinted>2026-01-05T09:00:00Z</cp:lastPrinted>" +
            Date("created", "2026-01-01T08:00:00Z") + Date("modified", "2026-01-02T08:00:00Z") +
            "<cp:category>Bericht</cp:category>"),
       App("<Template>Normal.dotm</Template><TotalTime>95</TotalTime><Pages>3</Pages><Words>250</"
           "Words><Characters>1500</Characters>" +
           kept_app +
           "<Lines>12</Lines><Paragraphs>3</Paragraphs><CharactersWithSpaces>1740</"
           "CharactersWithSpaces>"),
       Core(descriptive + "<cp:revision>1</cp:revision>" + Date("created", kSaved) +
            Date("modified", kSaved) + "<cp:category>Bericht</cp:category>"),
       App("<Template>netzanalyse-1.dotx</Template><TotalTime>0</TotalTime>" + kept_app)},
      {"other prefixes, declared where they are used",
       kDeclaration + prefixed_core + "4</revision>" + prefixed_created +
           "2026-01-01T08:00:00Z</q:created><q:lastPrinted xmlns:q=\"" + kCp +
           "\">2026-01-05T09:00:00Z</q:lastPrinted>" + decoy + "</p:coreProperties>",
       kDeclaration + prefixed_app + "<ep:Words>5</ep:Words>" + pages,
       kDeclaration + prefixed_core + "1</revision>" + prefixed_created + kSaved + "</q:created>" +
           decoy + "<dcterms:modified xmlns:dcterms=\"" + kDcTerms + "\" xmlns:xsi=\"" + kXsi +
           "\" xsi:type=\"dcterms:W3CDTF\">" + kSaved + "</dcterms:modified></p:coreProperties>",
       kDeclaration + prefixed_app + "<ep:Template>netzanalyse-1.dotx</ep:Template>" + pages},
      {"properties already right are not rewritten", Core(Date("created", "2026-01-01T08:00:00Z")),
       right_app,
       Core(Date("created", kSaved) + "<cp:revision>1</cp:revision>" + Date("modified", kSaved)),
       right_app},
      {"no properties parts", "", "",
       Core("<cp:revision>1</cp:revision>" + Date("created", kSaved) + Date("modified", kSaved)),
       ""},
  };
  const std::string core_type =
      "<Override PartName=\"/docProps/core.xml\" "
      "ContentType=\"application/vnd.openxmlformats-package.core-properties+xml\"/>";
  for (const Case& c : cases) {
    TemplateContents spec;
    spec.core_properties = c.core;
    spec.app_properties = c.app;
    auto parts = Made(spec, nullptr, "netzanalyse-1.dotx");
    EXPECT_EQ(parts["docProps/core.xml"], c.expected_core) << c.name;
    EXPECT_EQ(parts["docProps/app.xml"], c.expected_app) << c.name;
    // The core properties' part is related and typed once, added where the
    // template had none.
    std::string rels = reportword::test::ReadPackage(dir_ / "netzanalyse-1.dotx").at("_rels/.rels");
    if (c.core.empty()) {
      rels.insert(rels.find("</Relationships>"),
                  "<Relationship Id=\"rId2\" "
                  "Type=\"http://schemas.openxmlformats.org/package/2006/relationships/metadata/"
                  "core-properties\" Target=\"docProps/core.xml\"/>");
    }
    EXPECT_EQ(parts.at("_rels/.rels"), rels) << c.name;
    const std::string& types = parts.at("[Content_Types].xml");
    EXPECT_THAT(types, HasSubstr(core_type)) << c.name << "\n" << types;
    EXPECT_EQ(types.find(core_type), types.rfind(core_type)) << c.name << "\n" << types;
  }
}

// A template's file name may be any bytes on POSIX (the program itself hands
// the engine UTF-8); the property that names it is XML all the same.
TEST_F(NewDocumentTest, TheTemplatePropertyIsXmlWhateverTheFileName) {
#ifdef _WIN32
  GTEST_SKIP() << "file names on Windows are always Unicode";
#else
  const std::string app = Made({}, nullptr, "t-\xFF\x1B[1m.dotx").at("docProps/app.xml");
  EXPECT_THAT(app, HasSubstr("<Template>t-\xEF\xBF\xBD[1m.dotx</Template>"));
#endif
}

// Builds on a template (tests/data/rich-template) whose body holds a commented
// passage, a footnote, pictures (one of them also in the header), an embedded
// object, a chart, a diagram and a hyperlink, and whose main part relates the
// parts every document needs; optionally a comment mark in the footnote too.
TEST_F(NewDocumentTest, PartsThatOnlyTheReplacedBodyUsedAreLeftBehind) {
  // The parts and the main part's relationships that only the body uses, and
  // those of the comments, which go unless a comment mark is left elsewhere.
  const std::set<std::string> body = {"word/media/image1.png",
                                      "word/media/image3.emf",
                                      "word/embeddings/oleObject1.bin",
                                      "word/charts/chart1.xml",
                                      "word/charts/_rels/chart1.xml.rels",
                                      "word/embeddings/sheet1.xlsx",
                                      "word/diagrams/data1.xml",
                                      "word/diagrams/layout1.xml",
                                      "word/diagrams/quickStyle1.xml",
                                      "word/diagrams/colors1.xml",
                                      "word/diagrams/drawing1.xml",
                                      "rIdImg1",
                                      "rIdShared",
                                      "rIdImg3",
                                      "rIdOle",
                                      "rIdChart",
                                      "rIdLink",
                                      "rIdDm",
                                      "rIdLo",
                                      "rIdQs",
                                      "rIdCs",
                                      "rIdDd"};
  const std::set<std::string> comments = {"word/comments.xml",
                                          "word/commentsExtended.xml",
                                          "word/commentsIds.xml",
                                          "word/commentsExtensible.xml",
                                          "word/people.xml",
                                          "rIdCom",
                                          "rIdComX",
                                          "rIdComI",
                                          "rIdComE",
                                          "rIdPeople"};
  // The targets: how the main part names the header, and the header the
  // picture it shares with the body (names of the same parts).
  struct Case {
    const char* name;
    bool replace_body;
    bool comment_mark_in_footnote;
    const char* header_target = "header1.xml";
    const char* logo_target = "media/image2.png";
  };
  const Case cases[] = {
      {"body replaced", true, false},
      {"body replaced, a comment mark left in a footnote", true, true},
      {"body kept", false, false},
      {"header and shared picture named in other cases", true, false, "Header1.xml",
       "MEDIA/Image2.PNG"},
      {"header and shared picture named with escapes", true, false, "header%31.xml",
       "media/image%32.png"},
  };
  for (const Case& c : cases) {
    auto parts = reportword::test::PartsFromFolder("rich-template");
    for (const auto& [part, from, to] :
         {std::tuple{"word/_rels/document.xml.rels", "\"header1.xml\"", c.header_target},
          std::tuple{"word/_rels/header1.xml.rels", "\"media/image2.png\"", c.logo_target}}) {
      std::string& content = reportword::test::Part(parts, part);
      content.replace(content.find(from) + 1, std::strlen(from) - 2, to);
    }
    if (c.comment_mark_in_footnote) {
      std::string& footnotes = reportword::test::Part(parts, "word/footnotes.xml");
      footnotes.replace(footnotes.find("</w:p>"), 6,
                        "<w:r><w:commentReference w:id=\"0\"/></w:r></w:p>");
    }
    const std::map<std::string, std::string> original(parts.begin(), parts.end());
    auto doc = AddParts(parts);
    if (c.replace_body) Table(*doc, "a\tb\r\n", 2);
    const auto saved = SaveAndRead(*doc);
    if (!c.replace_body) {  // nothing to drop from the main part's relationships: not rewritten
      EXPECT_EQ(saved.at("word/_rels/document.xml.rels"),
                original.at("word/_rels/document.xml.rels"));
    }
    std::set<std::string> gone = {"docProps/thumbnail.jpeg"};
    if (c.replace_body) gone.insert(body.begin(), body.end());
    if (c.replace_body && !c.comment_mark_in_footnote)
      gone.insert(comments.begin(), comments.end());
    // The template's part names, relationship ids and overrides, less those gone.
    auto less_gone = [&](std::set<std::string> values) {
      std::erase_if(values,
                    [&](const std::string& v) { return gone.count(v.substr(v[0] == '/')); });
      return values;
    };
    std::set<std::string> names, original_names;
    for (const auto& [name, bytes] : saved) names.insert(name);
    for (const auto& [name, bytes] : original) original_names.insert(name);
    EXPECT_EQ(names, less_gone(original_names)) << c.name;
    // Targets in another spelling are written as the package stores the part.
    EXPECT_THAT(saved.at("word/_rels/document.xml.rels"), HasSubstr("\"header1.xml\"")) << c.name;
    EXPECT_THAT(saved.at("word/_rels/header1.xml.rels"), HasSubstr("\"media/image2.png\""))
        << c.name;
    for (const auto& [part, attribute] : {std::pair{"word/_rels/document.xml.rels", "Id"},
                                          std::pair{"[Content_Types].xml", "PartName"}}) {
      EXPECT_EQ(AttributeValues(saved.at(part), attribute),
                less_gone(AttributeValues(original.at(part), attribute)))
          << c.name << " " << part;
    }
  }
}

// The template's digital signature signs parts that the document changes,
// and a word processor drops it when it saves an edited document; leftovers
// of older packages ([trash]) and folder entries, which are no parts, go too.
TEST_F(NewDocumentTest, ASignatureLeftoversAndFolderEntriesAreNotCarried) {
  auto parts = reportword::test::PartsFromFolder("rich-template");
  const auto signature = reportword::test::PartsFromFolder("signature-and-leftovers");
  parts.insert(parts.end(), signature.begin(), signature.end());
  parts.insert(parts.end(), {{"word/", ""}, {"docProps/", ""}});
  std::string& rels = reportword::test::Part(parts, "_rels/.rels");
  rels.insert(rels.find("</Relationships>"),
              "<Relationship Id=\"rIdSig\" Type=\"http://schemas.openxmlformats.org/package/2006/"
              "relationships/digital-signature/origin\" Target=\"_xmlsignatures/origin.sigs\"/>");
  std::string& types = reportword::test::Part(parts, "[Content_Types].xml");
  types.insert(types.find("<Override"),
               "<Default Extension=\"sigs\" ContentType=\"application/"
               "vnd.openxmlformats-package.digital-signature-origin\"/>"
               "<Override PartName=\"/_xmlsignatures/sig1.xml\" ContentType=\"application/"
               "vnd.openxmlformats-package.digital-signature-xmlsignature+xml\"/>");
  auto doc = AddParts(parts);
  const auto saved = SaveAndRead(*doc);
  for (const auto& [name, bytes] : saved) {
    EXPECT_FALSE(name.starts_with("_xmlsignatures/") || name.starts_with("[trash]/") ||
                 name.ends_with('/'))
        << name;
  }
  EXPECT_TRUE(saved.contains("word/styles.xml"));
  EXPECT_EQ(AttributeValues(saved.at("_rels/.rels"), "Id"),
            (std::set<std::string>{"rId1", "rId2", "rId3"}));
  EXPECT_THAT(saved.at("[Content_Types].xml"), ::testing::Not(HasSubstr("signature")));
}

}  // namespace
}  // namespace reportword::docx
