#include <algorithm>
#include <functional>
#include <regex>
#include <set>
#include <tuple>

#include "docx_fixture.h"
#include "ooxml/xml_part.h"
#include "package/template_package.h"

namespace reportword::docx {
namespace {

using namespace reportword::test;  // the tests' own helpers
using ::testing::HasSubstr;
using ::testing::Not;

std::string Para(const std::string& text) {
  return "<w:p><w:r><w:t>" + text + "</w:t></w:r></w:p>";
}

// The main part's type becomes a document's, a macro template's project stays
// behind, and the parts nothing changed are copied byte for byte.
TEST_F(DocxEngineTest, MacroTemplateBecomesADocumentWithoutItsProject) {
  TemplateContents spec;
  spec.main_content_type = "application/vnd.ms-word.template.macroEnabledTemplate.main+xml";
  spec.extra_parts = {
      {"word/styles.xml", "<?xml version=\"1.0\"?><w:styles xmlns:w=\"x\"> keep  me </w:styles>"},
      {"word/media/image1.png", std::string("\x89PNG\r\n\x1a\n\0\1\2", 11)},
      {"word/vbaProject.bin", "VBA"},
      {"word/_rels/vbaProject.bin.rels",
       "<Relationships "
       "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship "
       "Id=\"rId1\" Type=\"http://schemas.microsoft.com/office/2006/relationships/wordVbaData\" "
       "Target=\"vbaData.xml\"/></Relationships>"},
      {"word/vbaData.xml", "<wne:vbaSuppData xmlns:wne=\"x\"/>"}};
  spec.extra_relationships =
      "<Relationship Id=\"rIdV\" "
      "Type=\"http://schemas.microsoft.com/office/2006/relationships/vbaProject\" "
      "Target=\"vbaProject.bin\"/>";
  spec.extra_content_types =
      "<Default Extension=\"bin\" ContentType=\"application/vnd.ms-office.vbaProject\"/><Override "
      "PartName=\"/word/vbaData.xml\" ContentType=\"application/vnd.ms-word.vbaData+xml\"/>";
  const auto parts = Made(spec, nullptr, "t.dotm");
  const auto original = ReadPackage(dir_ / "t.dotm");
  for (const char* gone :
       {"word/vbaProject.bin", "word/_rels/vbaProject.bin.rels", "word/vbaData.xml"}) {
    EXPECT_EQ(parts.count(gone), 0u) << gone;
  }
  for (const char* unchanged : {"word/styles.xml", "word/media/image1.png", "word/footer1.xml",
                                "word/header1.xml", "_rels/.rels"}) {
    EXPECT_EQ(parts.at(unchanged), original.at(unchanged)) << unchanged;
  }
  EXPECT_THAT(parts.at("word/_rels/document.xml.rels"), Not(HasSubstr("vbaProject")));
  const std::string& types = parts.at("[Content_Types].xml");
  for (const char* gone : {"vba", "emplate.main+xml"})
    EXPECT_EQ(types.find(gone), types.npos) << types;
  EXPECT_THAT(types, HasSubstr("wordprocessingml.document.main+xml"));
}

// Find and replace in the first section's primary header, and the paragraphs
// of its part afterwards: only what a reader sees is matched, a match across
// runs takes the first run's formatting, and the replacement is literal text.
TEST_F(DocxEngineTest, HeaderFindAndReplaceLeavesTheseParagraphs) {
  // The template header's paragraphs, what replaces "<Datum>", whether it is
  // found, the paragraphs afterwards ("" where they stay as they were), and
  // the section's references where not the usual ones.
  struct Case {
    const char* name;
    std::string header;
    std::string with;
    bool found;
    std::string expected;
    std::string references = "";
  };
  const std::string w = kWordUri, datum = Para("&lt;Datum&gt;");
  const std::string split =
      "<w:p><w:r><w:rPr><w:b/></w:rPr><w:t xml:space=\"preserve\">Stand: "
      "&lt;Da</w:t></w:r><w:proofErr w:type=\"spellStart\"/><w:bookmarkStart w:id=\"0\" "
      "w:name=\"x\"/><w:r><w:rPr><w:i/></w:rPr><w:lastRenderedPageBreak/><w:t>TU</w:t></"
      "w:r><w:bookmarkEnd w:id=\"0\"/><w:proofErr "
      "w:type=\"spellEnd\"/><w:r><w:rPr><w:i/></w:rPr><w:t>m&gt; Ende</w:t></w:r></w:p>";
  const std::string split_expected =
      "<w:p><w:r><w:rPr><w:b/></w:rPr><w:t xml:space=\"preserve\">Stand: "
      "06-Dez-2026</w:t></w:r><w:proofErr w:type=\"spellStart\"/><w:bookmarkStart w:id=\"0\" "
      "w:name=\"x\"/><w:r><w:rPr><w:i/></w:rPr><w:lastRenderedPageBreak/><w:t/></"
      "w:r><w:bookmarkEnd w:id=\"0\"/><w:proofErr "
      "w:type=\"spellEnd\"/><w:r><w:rPr><w:i/></w:rPr><w:t xml:space=\"preserve\"> "
      "Ende</w:t></w:r></w:p>";
  const auto box = [](const std::string& text) {
    return "<w:p><w:r><mc:AlternateContent "
           "xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\"><mc:Choice "
           "Requires=\"wps\"><w:drawing><w:txbxContent>" +
           Para(text) +
           "</w:txbxContent></w:drawing></mc:Choice><mc:Fallback><w:pict><v:shape "
           "xmlns:v=\"urn:schemas-microsoft-com:vml\"><v:textbox><w:txbxContent>" +
           Para(text) +
           "</w:txbxContent></v:textbox></v:shape></w:pict></mc:Fallback></mc:AlternateContent></"
           "w:r></w:p>";
  };
  const std::string deleted_box =
      "<w:p><w:del w:id=\"1\" w:author=\"a\"><w:r><w:pict><v:shape "
      "xmlns:v=\"urn:schemas-microsoft-com:vml\"><v:textbox><w:txbxContent>" +
      datum + "</w:txbxContent></v:textbox></v:shape></w:pict></w:r></w:del></w:p>";
  const Case cases[] = {
      {"split across runs", split, "06-Dez-2026", true, split_expected},
      {"case ignored", Para("x &lt;DATUM&gt; y"), "D", true, Para("x D y")},
      {"first occurrence only", Para("&lt;Datum&gt;&lt;datum&gt;"), "D", true,
       Para("D&lt;datum&gt;")},
      {"deleted text",
       "<w:p><w:del w:id=\"1\" "
       "w:author=\"a\"><w:r><w:delText>&lt;Datum&gt;</w:delText></w:r></w:del></w:p>",
       "D", false, ""},
      {"field instruction", "<w:p><w:r><w:instrText>&lt;Datum&gt;</w:instrText></w:r></w:p>", "D",
       false, ""},
      {"a tab inside the placeholder",
       "<w:p><w:r><w:t>&lt;Dat</w:t><w:tab/><w:t>um&gt;</w:t></w:r></w:p>", "D", false, ""},
      {"a line break inside the placeholder",
       "<w:p><w:r><w:t>&lt;Dat</w:t><w:br/><w:t>um&gt;</w:t></w:r></w:p>", "D", false, ""},
      {"text box: choice and fallback alike", box("A &lt;Datum&gt;"), "D", true, box("A D")},
      {"a deleted text box is not searched", deleted_box + datum, "D", true,
       deleted_box + Para("D")},
      {"an edge space over xml:space=\"default\"",
       "<w:p><w:r><w:t xml:space=\"default\">&lt;Datum&gt;b</w:t></w:r></w:p>", " x", true,
       "<w:p><w:r><w:t xml:space=\"preserve\"> xb</w:t></w:r></w:p>"},
      {"no primary header in the first section", datum, "D", false, "",
       "<w:headerReference w:type=\"first\" r:id=\"rIdH1\"/>"},
      {"relationship prefix declared on the reference", datum, "D", true, Para("D"),
       "<w:headerReference xmlns:rel=\"" + std::string(kRelUri) +
           "\" w:type=\"default\" rel:id=\"rIdH1\"/>"},
      {"default namespace", "<p xmlns=\"" + w + "\"><r><t>a &lt;Datum&gt; b</t></r></p>", "D", true,
       "<p xmlns=\"" + w + "\"><r><t>a D b</t></r></p>"},
      {"another prefix, new elements take it",
       "<x:p xmlns:x=\"" + w + "\"><x:r><x:t>&lt;Datum&gt;</x:t></x:r></x:p>", "D\tE", true,
       "<x:p xmlns:x=\"" + w + "\"><x:r><x:t>D</x:t><x:tab/><x:t>E</x:t></x:r></x:p>"},
      {"declared on the run",
       "<w:p><y:r xmlns:y=\"" + w + "\"><y:t>&lt;Datum&gt;</y:t></y:r></w:p>", "D", true,
       "<w:p><y:r xmlns:y=\"" + w + "\"><y:t>D</y:t></y:r></w:p>"},
      {"w rebound to another vocabulary",
       "<w:p><w:r xmlns:w=\"urn:other\"><w:t>&lt;Datum&gt;</w:t></w:r></w:p>", "D", false, ""},
      {"markup characters", datum, "A & <B> \"C\"", true, Para("A &amp; &lt;B&gt; \"C\"")},
      {"spaces at the edges", datum, " Hauptweg 4 ", true,
       "<w:p><w:r><w:t xml:space=\"preserve\"> Hauptweg 4 </w:t></w:r></w:p>"},
      {"control characters", datum, std::string("a\x01\x00z", 4), true, Para("az")},
      {"vertical tab and tab", datum, "a\vb\tc", true,
       "<w:p><w:r><w:t>a</w:t><w:br/><w:t>b</w:t><w:tab/><w:t>c</w:t></w:r></w:p>"},
      {"invalid UTF-8", datum,
       "Stra\xC3\x9F"
       "e \xFF",
       true, Para("Straße \xEF\xBF\xBD")},
      {"empty", datum, "", true, "<w:p><w:r><w:t/></w:r></w:p>"},
      {"a literal tab in the text stays", Para("a\tb &lt;Datum&gt;"), "D", true, Para("a\tb D")},
  };
  for (const Case& c : cases) {
    TemplateContents spec;
    spec.headers = {{"default", c.header}};
    if (!c.references.empty()) spec.final_references = c.references;
    bool found = !c.found;
    const auto parts = Made(spec, [&](Document& doc) { found = Replace(doc, "<Datum>", c.with); });
    EXPECT_EQ(found, c.found) << c.name;
    EXPECT_EQ(ElementsXml(parts.at("word/header1.xml"), false),
              c.expected.empty() ? c.header : c.expected)
        << c.name;
  }
}

TEST_F(DocxEngineTest, DecoysOutsideTheFirstSectionsPrimaryHeaderStay) {
  TemplateContents spec;
  spec.headers = {{"default", Para("&lt;Datum&gt; body-section")},
                  {"first", Para("&lt;Datum&gt; first-page")}};
  // The first section ends at a paragraph-level section break that uses a
  // header of its own (header3.xml).
  spec.body = Para("&lt;Datum&gt; in body") +
              "<w:p><w:pPr><w:sectPr><w:headerReference w:type=\"default\" "
              "r:id=\"rIdS\"/></w:sectPr></w:pPr></w:p>";
  spec.extra_relationships =
      "<Relationship Id=\"rIdS\" "
      "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/header\" "
      "Target=\"header3.xml\"/>";
  spec.extra_parts = {{"word/header3.xml", std::string("<w:hdr ") + kWordNs + ">" +
                                               Para("S1 &lt;Datum&gt;") + "</w:hdr>"}};
  spec.extra_content_types =
      "<Override PartName=\"/word/header3.xml\" "
      "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.header+xml\"/>";
  auto doc = AddParts(TemplateParts(spec));
  EXPECT_EQ(doc->FirstSectionHeaderCount(), 3);
  EXPECT_TRUE(Replace(*doc, "<datum>", "D"));
  doc->SaveAs((dir_ / "before.docx").string());
  auto parts = ReadPackage(dir_ / "before.docx");
  EXPECT_THAT(parts.at("word/header3.xml"), HasSubstr("S1 D"));
  for (const char* part : {"word/header1.xml", "word/header2.xml", "word/footer1.xml"}) {
    EXPECT_THAT(parts.at(part), HasSubstr("&lt;Datum&gt;")) << part;
  }
  // The body's own section properties stay; the section break went with the
  // text, and with it the header that only it used.
  Table(*doc, "a\tb\r\n", 2);
  parts = SaveAndRead(*doc);
  EXPECT_EQ(
      ElementsXml(parts.at("word/document.xml"), true),
      "<w:headerReference w:type=\"default\" r:id=\"rIdH1\"/><w:footerReference w:type=\"default\" "
      "r:id=\"rIdF1\"/><w:headerReference w:type=\"first\" r:id=\"rIdH2\"/>");
  EXPECT_EQ(parts.count("word/header3.xml"), 0u);
}

TEST_F(DocxEngineTest, TheLastSectionKeepsTheHeadersAndFootersInForceForIt) {
  auto section_break = [](const std::string& references) {
    return "<w:p><w:pPr><w:sectPr>" + references +
           "</w:sectPr></w:pPr><w:r><w:t>s</w:t></w:r></w:p>";
  };
  const std::string h1 = "<w:headerReference w:type=\"default\" r:id=\"rIdH1\"/>";
  const std::string first = "<w:headerReference w:type=\"first\" r:id=\"rIdH2\"/>";
  const std::string f1 = "<w:footerReference w:type=\"default\" r:id=\"rIdF1\"/>";
  const std::string even = "<w:headerReference w:type=\"even\" r:id=\"rIdH1\"/>";
  const std::string first_footer = "<w:footerReference w:type=\"first\" r:id=\"rIdF1\"/>";
  struct Case {
    const char* name;
    std::string body;
    std::string final_references;
    std::string expected;
  };
  const Case cases[] = {
      {"inherited from the first section", section_break(f1 + h1) + "<w:p/>", "", h1 + f1},
      {"own references stay; the rest through the chain",
       section_break(h1 + first) + section_break("<w:headerReference r:id=\"rIdS\"/>"), f1,
       "<w:headerReference w:type=\"default\" r:id=\"rIdS\"/>" + f1 + first},
      {"every kind, own and inherited, in the word processor's order",
       section_break(first_footer + h1 + even), first + f1, even + h1 + f1 + first + first_footer},
      {"one section: its own references in that order", "<w:p/>", first + f1 + h1, h1 + f1 + first},
      {"namespace declared on the break",
       "<w:p><w:pPr><w:sectPr xmlns:rel=\"" + std::string(kRelUri) +
           "\"><w:headerReference w:type=\"default\" rel:id=\"rIdH1\"/></w:sectPr></w:pPr></w:p>",
       "", h1},
  };
  for (const Case& c : cases) {
    TemplateContents spec;
    spec.headers = {{"default", Para("&lt;Datum&gt;")}, {"first", "<w:p/>"}};
    spec.body = c.body;
    spec.final_references = c.final_references;
    spec.extra_relationships =
        "<Relationship Id=\"rIdS\" "
        "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/header\" "
        "Target=\"header1.xml\"/>";
    const auto parts = Made(spec, [&](Document& doc) {
      EXPECT_TRUE(Replace(doc, "<Datum>", "D")) << c.name;
      Table(doc, "a\r\n", 1);
    });
    EXPECT_EQ(ElementsXml(parts.at("word/document.xml"), true), c.expected) << c.name;
  }
}

// A primary header whose part the package lacks cannot be filled: the step
// says which part is missing.
TEST_F(DocxEngineTest, AMissingHeaderPartIsNamed) {
  auto parts = TemplateParts({});
  std::erase_if(parts, [](const auto& part) { return part.first == "word/header1.xml"; });
  auto doc = AddParts(parts);
  EXPECT_THAT(
      [&] { Replace(*doc, "<Datum>", "D"); },
      ::testing::ThrowsMessage<Failure>(HasSubstr("the header part word/header1.xml is missing")));
}

TEST_F(DocxEngineTest, AChangedPartIsWrittenAsTheUtf8ItDeclares) {
  auto parts = TemplateParts({});
  std::string& header = Part(parts, "word/header1.xml");
  const std::string declared_utf16 = std::regex_replace(header, std::regex("UTF-8"), "UTF-16");
  header = "\xFF\xFE";  // UTF-16LE with its byte-order mark
  for (char c : declared_utf16) header += std::string{c, '\0'};
  auto doc = AddParts(parts);
  EXPECT_TRUE(Replace(*doc, "<Datum>", "D"));
  const std::string saved = SaveAndRead(*doc).at("word/header1.xml");
  EXPECT_TRUE(saved.starts_with("<?xml version=\"1.0\" encoding=\"UTF-8\"")) << saved;
  EXPECT_THAT(saved, HasSubstr("&lt;objektbezeichnung&gt; D &lt;"));
}

// Whitespace in attribute values is data (the base64 of a shape's picture, alt
// text of several lines): the filled header is the template's but for the
// filled placeholder and the character XML forbids.
TEST_F(DocxEngineTest, AFilledHeaderKeepsWhatTheFillDidNotChange) {
  const std::filesystem::path data =
      std::filesystem::path(REPORTWORD_SOURCE_DIR) / "tests" / "data" / "headers";
  auto parts = TemplateParts({});
  Part(parts, "word/header1.xml") = ReadFile(data / "whitespace-in-attributes.xml");
  auto doc = AddParts(parts);
  ASSERT_TRUE(Replace(*doc, "<Datum>", "06-Dec-2026"));
  EXPECT_EQ(CanonicalXml(SaveAndRead(*doc).at("word/header1.xml")),
            CanonicalXml(ReadFile(data / "whitespace-in-attributes.filled.xml")));
}

TEST_F(DocxEngineTest, BodyTextBecomesATableWithTheRequestedLayout) {
  // `road`: columns 1 and 2 set to 250 and 150 points, an empty row first.
  // `expected`, the main part in short: the grid's column widths, then "/" for
  // each row and, for each cell, "|", its width, ":" and its text.
  struct Case {
    const char* name;
    const char* text;
    short columns;
    bool road;
    std::string expected;
  };
  const std::string none = " w:val=\"none\" w:sz=\"0\" w:space=\"0\" w:color=\"auto\"/>";
  const std::string table_properties =
      "<w:tblPr><w:tblW w:w=\"5000\" w:type=\"pct\"/><w:tblBorders><w:top" + none + "<w:left" +
      none + "<w:bottom" + none + "<w:right" + none + "<w:insideH" + none + "<w:insideV" + none +
      "</w:tblBorders><w:tblLayout w:type=\"fixed\"/><w:tblLook w:val=\"0000\" w:firstRow=\"0\" "
      "w:lastRow=\"0\" w:firstColumn=\"0\" w:lastColumn=\"0\" w:noHBand=\"1\" "
      "w:noVBand=\"1\"/></w:tblPr>";
  // Without set widths the columns share the text width of the template's A4
  // page, 11906 - 2 * 1417 twips, evenly.
  const Case cases[] = {
      {"three columns", "a\tb\tc\r\nd\te\tf\r\n", 3, false,
       "3024 3024 3024 /|3024:a|3024:b|3024:c/|3024:d|3024:e|3024:f"},
      {"empty text gives one empty row", "", 3, false, "3024 3024 3024 /|3024:|3024:|3024:"},
      {"empty row first, set widths", "x\ty\r\n", 2, true,
       "5000 3000 /|5000:|3000:/|5000:x|3000:y"},
      {"empty row first of an empty text", "", 2, true, "5000 3000 /|5000:|3000:"},
      {"lone CR and LF end lines too", "a\tb\rc\td\ne\tf", 2, false,
       "4536 4536 /|4536:a|4536:b/|4536:c|4536:d/|4536:e|4536:f"},
      {"extra fields stay in the last cell", "a\tb\tc\td\r\n", 2, false,
       "4536 4536 /|4536:a|4536:b\tc\td"},
  };
  for (const Case& c : cases) {
    const auto parts = Made({}, [&](Document& doc) {
      Table(doc, c.text, c.columns,
            c.road ? std::vector<float>{250.0f, 150.0f} : std::vector<float>{}, c.road);
    });
    const std::string& xml = parts.at("word/document.xml");
    pugi::xml_document main;
    main.load_string(xml.c_str());
    pugi::xpath_node_set nodes = main.select_nodes("//w:gridCol|//w:tr|//w:tcW|//w:t|//w:tab");
    nodes.sort();  // in document order
    std::string text;
    for (pugi::xpath_node n : nodes) {
      const std::string name = n.node().name(), width = n.node().attribute("w:w").value();
      text += name == "w:tr"    ? "/"
              : name == "w:tcW" ? "|" + width + ":"
              : name == "w:tab" ? "\t"
              : name == "w:t"   ? n.node().text().get()
                                : width + " ";
    }
    EXPECT_EQ(text, c.expected) << c.name;
    EXPECT_THAT(xml, HasSubstr("<w:body><w:tbl>" + table_properties)) << c.name;
    EXPECT_THAT(xml, HasSubstr("</w:tbl><w:p/><w:sectPr>")) << c.name;
  }
}

// A page width that cannot be read counts as US Letter's, 12240 twips.
TEST_F(DocxEngineTest, AnUnreadablePageWidthCountsAsLetter) {
  auto parts = TemplateParts({});
  std::string& main = Part(parts, "word/document.xml");
  main.replace(main.find("w:w=\"11906\""), 11, "w:w=\"11906mm\"");
  auto doc = AddParts(parts);
  Table(*doc, "a\r\n", 1);
  doc->SaveAs((dir_ / "out.docx").string());
  EXPECT_THAT(ReadPackage(dir_ / "out.docx").at("word/document.xml"),
              HasSubstr("<w:gridCol w:w=\"9406\"/>"));
}

// A layout the format cannot hold is refused before the body is touched.
TEST_F(DocxEngineTest, ImpossibleTableLayoutsAreRefused) {
  const std::pair<TableLayout, const char*> cases[] = {
      {{64, {}, false, false}, "a table of 64 columns is not possible"},
      {{-1, {}, false, false}, "a table of -1 columns is not possible"},
      {{2, {10.0f, 20.0f, 30.0f}, false, false}, "the table has no column 3"},
      {{2, {10.0f, 1585.0f}, false, false}, "column width 1585.000000 pt is out of range"},
  };
  auto doc = AddParts(TemplateParts({}));
  const std::string text = "a\tb\r\n";
  for (const auto& [layout, message] : cases) {
    EXPECT_THAT([&] { doc->LayOutBodyAsTable(text, layout); },
                ::testing::ThrowsMessage<Failure>(::testing::StrEq(message)));
  }
  // The bounds themselves are possible.
  for (const short columns : {0, 63})
    EXPECT_NO_THROW(doc->LayOutBodyAsTable(text, {columns, {}, false, false})) << columns;
}

// A placeholder that is not there leaves the header as it was; a closed
// document and a word processor that quit take no further steps.
TEST_F(DocxEngineTest, AMissingPlaceholderChangesNothingAndClosedMeansClosed) {
  auto doc = AddParts(TemplateParts({}));
  EXPECT_FALSE(Replace(*doc, "<Datum> x", "D"));
  const std::string header = SaveAndRead(*doc).at("word/header1.xml");
  EXPECT_EQ(header, ReadPackage(dir_ / "t.dotx").at("word/header1.xml"));
  EXPECT_THROW(doc->SaveAs((dir_ / "x.docx").string()), Failure);
  app_->Quit();
  EXPECT_THROW(AddParts(TemplateParts({})), Failure);
  EXPECT_THROW(app_->Quit(), Failure);
}

// pugixml reads characters that XML forbids, and a saved part goes without
// them: the template is judged as it will be written. With a control
// character in the content types' namespace, the main part's override was
// missed, a second one added, and the document saved with both.
TEST_F(DocxEngineTest, ATemplateIsJudgedWithoutTheCharactersItsSaveDrops) {
  // A C0 control, U+FFFE and U+FFFF, in the placeholder and in the content
  // types' namespace.
  for (const std::string forbidden : {"\x01", "\xEF\xBF\xBE", "\xEF\xBF\xBF"}) {
    TemplateContents spec;
    spec.headers["default"] = "<w:p><w:r><w:t>&lt;Da" + forbidden + "tum&gt;</w:t></w:r></w:p>";
    auto parts = TemplateParts(spec);
    std::string& types = Part(parts, "[Content_Types].xml");
    types.replace(types.find("content-types"), 13, "content-" + forbidden + "types");
    auto doc = AddParts(parts);
    EXPECT_TRUE(Replace(*doc, "<Datum>", "D")) << forbidden;
    const auto saved = SaveAndRead(*doc);
    EXPECT_THAT(saved.at("word/header1.xml"), HasSubstr("<w:t>D</w:t>")) << forbidden;
    const std::string& saved_types = saved.at("[Content_Types].xml");
    EXPECT_EQ(saved_types.find("/word/document.xml"), saved_types.rfind("/word/document.xml"));
    EXPECT_THAT(saved_types, Not(HasSubstr("template.main"))) << forbidden;
  }

  auto parts = TemplateParts({});
  std::string& types = Part(parts, "[Content_Types].xml");

  // A main part's type that no character makes a word-processing one is
  // refused when the template is opened, not when the document is.
  types.replace(types.find("template.main+xml"), 17, "template.main&lt;p&gt;+xml");
  EXPECT_THAT([&] { AddParts(parts); },
              ::testing::ThrowsMessage<Failure>(HasSubstr("is not a word-processing template")));
}

// Part names are URIs: a relationship may spell its target in another case
// or with %XX escapes, and the part it finds is changed and written under its
// own name, once.
TEST_F(DocxEngineTest, APartIsFoundByAnySpellingOfItsName) {
  for (const char* target : {"Header1.xml", "header%31.xml", "/WORD/HEADER1.XML"}) {
    auto parts = TemplateParts({});
    std::string& rels = Part(parts, "word/_rels/document.xml.rels");
    rels.replace(rels.find("\"header1.xml\"") + 1, 11, target);
    auto doc = AddParts(parts);
    EXPECT_TRUE(Replace(*doc, "<Datum>", "D")) << target;
    const auto saved = SaveAndRead(*doc);
    EXPECT_EQ(saved.size(), parts.size()) << target;  // no part twice
    EXPECT_THAT(saved.at("word/header1.xml"), HasSubstr("&gt; D &lt;")) << target;
  }
}

// The generated body goes where the engine's marker is, whatever the template
// holds that reads like the marker.
TEST_F(DocxEngineTest, TheBodyGoesInPlaceWhateverTheTemplateHoldsBeforeIt) {
  for (const std::string before_body : {"<?reportword-body?>", "<!--<?reportword-body?>-->"}) {
    auto parts = TemplateParts({});
    std::string& main = Part(parts, "word/document.xml");
    main.insert(main.find("<w:body>"), before_body);
    auto doc = AddParts(parts);
    Table(*doc, "a\tb\r\n", 2);
    const std::string xml = SaveAndRead(*doc).at("word/document.xml");
    EXPECT_THAT(xml, HasSubstr(before_body + "<w:body><w:tbl>"));
    EXPECT_EQ(xml.find("<w:tbl>"), xml.rfind("<w:tbl>")) << xml;
  }
}

// Parts that a save only looks into and otherwise copies as they are: one that
// is not well-formed is copied, and what it might use stays.
TEST_F(DocxEngineTest, APartThatCannotBeParsedIsCopiedAsItIs) {
  const std::string office = "http://schemas.openxmlformats.org/officeDocument/2006/";
  // `copied`: the parts copied byte for byte.
  struct Case {
    const char* name;
    Parts extra_parts;
    std::string extra_relationships;
    std::set<std::string> copied;
  };
  const std::string comments = std::string("<w:comments ") + kWordNs + "/>";
  const std::string broken_rels = "<Relationships";
  const Case cases[] = {
      {"an even-page header nothing shows, with comments present",
       {{"word/comments.xml", comments}},
       "<Relationship Id=\"rIdC\" Type=\"" + office +
           "relationships/comments\" Target=\"comments.xml\"/>",
       {"word/header2.xml", "word/comments.xml"}},
      {"a header's relationships, with a picture only the body used",
       {{"word/_rels/header1.xml.rels", broken_rels}, {"word/media/a.png", "png"}},
       "<Relationship Id=\"rIdP\" Type=\"" + office +
           "relationships/image\" Target=\"media/a.png\"/>",
       {"word/_rels/header1.xml.rels", "word/media/a.png"}},
  };
  for (const Case& c : cases) {
    TemplateContents spec;
    spec.headers["even"] = "<w:p>";  // not closed
    spec.extra_parts = c.extra_parts;
    spec.extra_relationships = c.extra_relationships;
    auto parts = TemplateParts(spec);
    auto doc = AddParts(parts);
    EXPECT_TRUE(Replace(*doc, "<Datum>", "D")) << c.name;
    Table(*doc, "a\r\n", 1);
    ASSERT_NO_THROW(doc->SaveAs((dir_ / "out.docx").string())) << c.name;
    const auto saved = ReadPackage(dir_ / "out.docx");
    for (const std::string& part : c.copied) {
      ASSERT_TRUE(saved.count(part)) << c.name << ": " << part;
      EXPECT_EQ(saved.at(part), Part(parts, part)) << c.name << ": " << part;
    }
  }
}

TEST(XmlPartTest, TextWrittenIntoAPartIsXml) {
  const std::pair<std::string, std::string> cases[] = {
      {"plain <ascii> \t\r\n", "plain <ascii> \t\r\n"},
      {"Stra\xC3\x9F"
       "e \xE2\x82\xAC \xF0\x9F\x98\x80",
       "Stra\xC3\x9F"
       "e \xE2\x82\xAC \xF0\x9F\x98\x80"},
      {"t-\xFF\xFE.dotx", "t-\xEF\xBF\xBD\xEF\xBF\xBD.dotx"},    // not UTF-8: one U+FFFD a byte
      {"a\xC3", "a\xEF\xBF\xBD"},                                // cut short at the end
      {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // a surrogate
      {"\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD"},                  // overlong
      {std::string("a\0b\x01\x1B\x7F", 6) + "c",
       "ab\x7F"
       "c"},                                                           // C0 controls go, DEL stays
      {"x\xEF\xBF\xBEy\xEF\xBF\xBFz\xEF\xBF\xBD", "xyz\xEF\xBF\xBD"},  // U+FFFE, U+FFFF go
  };
  for (const auto& [text, clean] : cases) EXPECT_EQ(XmlCleanText(text), clean) << text;
}

// Every end record in the last 64 KiB is one that libzip reads a directory
// for, and more than 16 are refused before libzip sees them; the parts may
// inflate to the total limit and not a byte more, and a package may hold
// 10000 entries, not one more; a legacy file is named as such also when its
// bytes come from memory.
TEST(DocxPackageTest, PackagesPastALimitAndForeignBytesAreRefused) {
  std::string zip = BuildTemplate();
  const std::string end_record = zip.substr(zip.size() - kEocdLength);
  for (int i = 1; i < 16; ++i) zip += end_record;
  auto parts = TemplateParts({});
  parts.emplace_back("word/media/a.bin", std::string(40 * 1024, 'a'));
  PackageLimits exact;
  exact.max_total_size = 0;
  for (const auto& [name, bytes] : parts) exact.max_total_size += bytes.size();
  const std::string media = ZipParts(parts);
  EXPECT_NO_THROW(TemplatePackage::FromBytes(zip, "t"));
  EXPECT_NO_THROW(TemplatePackage::FromBytes(media, "t", exact));
  PackageLimits under = exact;
  under.max_total_size -= 1;
  PackageLimits three_mib;
  three_mib.max_total_size = 3 << 20;
  auto over_three_mib = TemplateParts({});
  over_three_mib.emplace_back("word/media/b.bin", std::string((3 << 20) + 1, 'b'));
  auto entries = TemplateParts({});
  for (std::size_t i = entries.size(); i < 10000; ++i) {
    entries.emplace_back("customXml/item" + std::to_string(i) + ".xml", "");
  }
  EXPECT_NO_THROW(TemplatePackage::FromBytes(ZipParts(entries), "t"));
  entries.emplace_back("customXml/last.xml", "");
  const std::tuple<std::string, PackageLimits, const char*> cases[] = {
      {zip + end_record, {}, "has 17 zip end records; more than 16 are refused"},
      {media, under, "in all"},
      {ZipParts(over_three_mib, {"word/media/b.bin"}), three_mib,
       "inflates to more than 3 MiB in all; refusing to open it"},
      {ZipParts(entries), {}, "has 10001 entries; more than 10000 are refused"},
      {"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1" + std::string(1000, '\0'),
       {},
       "is a legacy binary Word file"}};
  for (const auto& [bytes, limits, message] : cases) {
    EXPECT_THAT([&] { TemplatePackage::FromBytes(bytes, "t", limits); },
                ::testing::ThrowsMessage<Failure>(HasSubstr(message)));
  }
}

// The template file's size is checked before a byte of it is read, by the
// reader that runs use.
TEST_F(DocxEngineTest, TemplateFilesOver512MiBAreRefusedUnread) {
  WriteFile(dir_ / "big.dotx", BuildTemplate());
  std::filesystem::resize_file(dir_ / "big.dotx", (512ull << 20) + 1);  // sparse, no disk used
  EXPECT_THAT(
      [&] { app_->CreateDocument((dir_ / "big.dotx").string(), true); },
      ::testing::ThrowsMessage<Failure>(HasSubstr("is larger than 512 MiB; refusing to open it")));
}

}  // namespace
}  // namespace reportword::docx
