#include <functional>
#include <regex>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "docgen/wordproc/docx/docx_package.h"
#include "docx_fixture.h"

namespace reportword::docx {
namespace {

TEST_F(DocxEngineTest, TemplateBecomesDocumentAndUnchangedPartsAreCopiedAsTheyAre) {
  TemplateContents spec;
  spec.extra_parts = {
      {"word/styles.xml", "<?xml version=\"1.0\"?><w:styles xmlns:w=\"x\"> keep  me </w:styles>"},
      {"word/media/image1.png", std::string("\x89PNG\r\n\x1a\n\0\1\2", 11)}};
  const std::string path = WriteTemplate(spec);
  auto doc = Add(path);
  auto parts = SaveAndRead(*doc);
  EXPECT_NE(parts.at("[Content_Types].xml").find("wordprocessingml.document.main+xml"),
            std::string::npos);
  EXPECT_EQ(parts.at("[Content_Types].xml").find("template.main+xml"), std::string::npos);
  const auto original = reportword::testing::ReadPackage(path);
  for (const char* unchanged : {"word/styles.xml", "word/media/image1.png", "word/footer1.xml",
                                "word/header1.xml", "_rels/.rels"}) {
    EXPECT_EQ(parts.at(unchanged), original.at(unchanged)) << unchanged;
  }
}

TEST_F(DocxEngineTest, MacroProjectIsNotCarriedIntoTheDocument) {
  TemplateContents spec;
  spec.main_content_type = "application/vnd.ms-word.template.macroEnabledTemplate.main+xml";
  spec.extra_parts = {
      {"word/vbaProject.bin", "VBA"},
      {"word/_rels/vbaProject.bin.rels",
       "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
       "<Relationship Id=\"rId1\" Type=\"http://schemas.microsoft.com/office/2006/relationships/"
       "wordVbaData\" Target=\"vbaData.xml\"/></Relationships>"},
      {"word/vbaData.xml", "<wne:vbaSuppData xmlns:wne=\"x\"/>"}};
  spec.extra_relationships =
      "<Relationship Id=\"rIdV\" Type=\"http://schemas.microsoft.com/office/2006/relationships/"
      "vbaProject\" Target=\"vbaProject.bin\"/>";
  spec.extra_content_types =
      "<Default Extension=\"bin\" ContentType=\"application/vnd.ms-office.vbaProject\"/>"
      "<Override PartName=\"/word/vbaData.xml\" "
      "ContentType=\"application/vnd.ms-word.vbaData+xml\"/>";
  auto doc = Add(WriteTemplate(spec, "t.dotm"));
  auto parts = SaveAndRead(*doc);
  for (const char* gone :
       {"word/vbaProject.bin", "word/_rels/vbaProject.bin.rels", "word/vbaData.xml"}) {
    EXPECT_EQ(parts.count(gone), 0u) << gone;
  }
  EXPECT_EQ(parts.at("word/_rels/document.xml.rels").find("vbaProject"), std::string::npos);
  EXPECT_EQ(parts.at("[Content_Types].xml").find("vba"), std::string::npos);
  EXPECT_NE(parts.at("[Content_Types].xml").find("document.main+xml"), std::string::npos);
}

TEST_F(DocxEngineTest, PackagesOfAnotherKindAreRefusedWithTheirReason) {
  // Damaged and hostile packages are in the end-to-end catalogue; these are
  // well-formed packages that this engine does not read.
  struct Case {
    const char* name;
    std::string main_content_type;
    std::string strict_namespace;  // replaces the WordprocessingML namespace when set
    const char* message;
  };
  const Case cases[] = {
      {"spreadsheet", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml",
       "", "not a word-processing template"},
      {"strict", TemplateContents{}.main_content_type,
       "http://purl.oclc.org/ooxml/wordprocessingml/main", "Strict Open XML"},
  };
  for (const Case& c : cases) {
    TemplateContents spec;
    spec.main_content_type = c.main_content_type;
    auto parts = reportword::testing::TemplateParts(spec);
    for (auto& [name, content] : parts) {
      for (std::size_t at;
           !c.strict_namespace.empty() && (at = content.find(kWordUri)) != std::string::npos;) {
        content.replace(at, std::string_view(kWordUri).size(), c.strict_namespace);
      }
    }
    const auto path = dir_ / (std::string(c.name) + ".dotx");
    reportword::testing::WriteFile(path, reportword::testing::ZipParts(parts));
    try {
      Add(path.string());
      ADD_FAILURE() << c.name << " accepted";
    } catch (const wordproc::Error& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find(path.filename().string()), std::string::npos);
    }
  }
}

TEST_F(DocxEngineTest, FindsPlaceholdersSplitAcrossRunsAndKeepsTheFirstRunsFormatting) {
  TemplateContents spec;
  spec.headers["default"] =
      "<w:p><w:r><w:rPr><w:b/></w:rPr><w:t xml:space=\"preserve\">Stand: &lt;Da</w:t></w:r>"
      "<w:proofErr w:type=\"spellStart\"/><w:bookmarkStart w:id=\"0\" w:name=\"x\"/>"
      "<w:r><w:rPr><w:i/></w:rPr><w:lastRenderedPageBreak/><w:t>TU</w:t></w:r><w:bookmarkEnd "
      "w:id=\"0\"/>"
      "<w:proofErr w:type=\"spellEnd\"/><w:r><w:rPr><w:i/></w:rPr><w:t>m&gt; "
      "Ende</w:t></w:r></w:p>";
  auto doc = Add(WriteTemplate(spec));
  EXPECT_TRUE(Replace(*doc, "<Datum>", "06-Dez-2026"));
  const std::string header = Header1(SaveAndRead(*doc));
  EXPECT_NE(header.find("<w:b/></w:rPr><w:t xml:space=\"preserve\">Stand: 06-Dez-2026</w:t>"),
            std::string::npos)
      << header;
  EXPECT_NE(header.find("<w:t xml:space=\"preserve\"> Ende</w:t>"), std::string::npos) << header;
  EXPECT_NE(header.find("w:bookmarkStart"), std::string::npos);
  EXPECT_EQ(header.find("TU"), std::string::npos);
}

TEST_F(DocxEngineTest, ReplacesOnlyWhatAReaderSeesInThePrimaryHeaderOfTheFirstSection) {
  struct Case {
    const char* name;
    std::string header;
    bool found;
    const char* expected;  // in the header after replacing "<Datum>" by "D"
  };
  const Case cases[] = {
      {"case ignored", "<w:p><w:r><w:t>x &lt;DATUM&gt; y</w:t></w:r></w:p>", true,
       "<w:t>x D y</w:t>"},
      {"first occurrence only", "<w:p><w:r><w:t>&lt;Datum&gt;&lt;datum&gt;</w:t></w:r></w:p>", true,
       "<w:t>D&lt;datum&gt;</w:t>"},
      {"deleted text is not matched",
       "<w:p><w:del w:id=\"1\" "
       "w:author=\"a\"><w:r><w:delText>&lt;Datum&gt;</w:delText></w:r></w:del></w:p>",
       false, "<w:delText>&lt;Datum&gt;</w:delText>"},
      {"field instructions are not matched",
       "<w:p><w:r><w:instrText>&lt;Datum&gt;</w:instrText></w:r></w:p>", false,
       "<w:instrText>&lt;Datum&gt;</w:instrText>"},
      {"a tab between the characters breaks the match",
       "<w:p><w:r><w:t>&lt;Dat</w:t><w:tab/><w:t>um&gt;</w:t></w:r></w:p>", false, "<w:tab/>"},
      {"text box: choice and fallback alike",
       "<w:p><w:r><mc:AlternateContent "
       "xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\">"
       "<mc:Choice Requires=\"wps\"><w:drawing><w:txbxContent><w:p><w:r><w:t>A "
       "&lt;Datum&gt;</w:t></w:r></w:p>"
       "</w:txbxContent></w:drawing></mc:Choice><mc:Fallback><w:pict><v:shape "
       "xmlns:v=\"urn:schemas-microsoft-com:vml\"><v:textbox>"
       "<w:txbxContent><w:p><w:r><w:t>A "
       "&lt;Datum&gt;</w:t></w:r></w:p></w:txbxContent></v:textbox></v:shape>"
       "</w:pict></mc:Fallback></mc:AlternateContent>"
       "</w:r></w:p>",
       true, "<v:textbox><w:txbxContent><w:p><w:r><w:t>A D</w:t>"},
  };
  for (const Case& c : cases) {
    TemplateContents spec;
    spec.headers["default"] = c.header;
    auto doc = Add(WriteTemplate(spec));
    EXPECT_EQ(Replace(*doc, "<Datum>", "D"), c.found) << c.name;
    const std::string header = Header1(SaveAndRead(*doc));
    EXPECT_NE(header.find(c.expected), std::string::npos) << c.name << "\n" << header;
    if (std::string(c.name).find("text box") != std::string::npos) {
      EXPECT_EQ(header.find("&lt;Datum&gt;"), std::string::npos) << header;
    }
  }
}

// Inputs the header fuzzer found, with the paragraphs they must give.
TEST_F(DocxEngineTest, TheReplacedHeaderReadsAsTheReplacementSays) {
  struct Case {
    const char* name;
    std::string header;
    const char* find;
    const char* replacement;
    std::string expected;
  };
  const std::string deleted_box =
      "<w:p><w:del w:id=\"1\" w:author=\"a\"><w:r><w:pict>"
      "<v:shape xmlns:v=\"urn:schemas-microsoft-com:vml\"><v:textbox><w:txbxContent>"
      "<w:p><w:r><w:t>&lt;Datum&gt;</w:t></w:r></w:p>"
      "</w:txbxContent></v:textbox></v:shape></w:pict></w:r></w:del></w:p>";
  const Case cases[] = {
      {"a space at the edge is kept over xml:space=\"default\"",
       "<w:p><w:r><w:t xml:space=\"default\">&lt;Datum&gt;b</w:t></w:r></w:p>", "<datum>", " x",
       "<w:p><w:r><w:t xml:space=\"preserve\"> xb</w:t></w:r></w:p>"},
      {"a deleted text box is not searched",
       deleted_box + "<w:p><w:r><w:t>&lt;Datum&gt;</w:t></w:r></w:p>", "<Datum>", "D",
       deleted_box + "<w:p><w:r><w:t>D</w:t></w:r></w:p>"},
  };
  for (const Case& c : cases) {
    TemplateContents spec;
    spec.headers = {{"default", c.header}};
    auto doc = Add(WriteTemplate(spec));
    EXPECT_TRUE(Replace(*doc, c.find, c.replacement)) << c.name;
    EXPECT_EQ(ElementsXml(Header1(SaveAndRead(*doc)), false), c.expected) << c.name;
  }
}

TEST_F(DocxEngineTest, DecoysOutsideTheFirstSectionsPrimaryHeaderStay) {
  TemplateContents spec;
  spec.headers = {{"default", "<w:p><w:r><w:t>&lt;Datum&gt; body-section</w:t></w:r></w:p>"},
                  {"first", "<w:p><w:r><w:t>&lt;Datum&gt; first-page</w:t></w:r></w:p>"}};
  // The first section ends at a paragraph-level section break that uses a
  // header of its own (header3.xml).
  spec.body =
      "<w:p><w:r><w:t>&lt;Datum&gt; in body</w:t></w:r></w:p><w:p><w:pPr><w:sectPr>"
      "<w:headerReference w:type=\"default\" r:id=\"rIdS\"/></w:sectPr></w:pPr></w:p>";
  spec.extra_relationships =
      "<Relationship Id=\"rIdS\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
      "relationships/header\" Target=\"header3.xml\"/>";
  spec.extra_parts = {
      {"word/header3.xml", std::string("<w:hdr ") + reportword::testing::kWordNs +
                               "><w:p><w:r><w:t>S1 &lt;Datum&gt;</w:t></w:r></w:p></w:hdr>"}};
  spec.extra_content_types =
      "<Override PartName=\"/word/header3.xml\" ContentType=\"application/vnd.openxmlformats-"
      "officedocument.wordprocessingml.header+xml\"/>";
  auto doc = Add(WriteTemplate(spec));
  EXPECT_EQ(doc->GetSections()->Item(1)->GetHeaders()->Count(), 3);
  EXPECT_TRUE(Replace(*doc, "<datum>", "D"));
  doc->SaveAs((dir_ / "before.docx").string());
  auto parts = reportword::testing::ReadPackage(dir_ / "before.docx");
  EXPECT_NE(parts.at("word/header3.xml").find("S1 D"), std::string::npos);
  for (const char* part : {"word/header1.xml", "word/header2.xml", "word/footer1.xml"}) {
    EXPECT_NE(parts.at(part).find("&lt;Datum&gt;"), std::string::npos) << part;
  }
  // The body's own section properties stay; the section break went with the
  // text, and with it the header that only it used.
  doc->GetContent()->SetText("a\tb\r\n");
  parts = SaveAndRead(*doc);
  const std::string& main = parts.at("word/document.xml");
  EXPECT_EQ(main.find("rIdS"), std::string::npos);
  EXPECT_NE(main.find("rIdH1"), std::string::npos);
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
  struct Case {
    const char* name;
    std::string body;
    std::string final_references;
    std::string expected;
  };
  const Case cases[] = {
      {"inherited from the first section", section_break(h1 + f1) + "<w:p/>", "",
       "<w:footerReference w:type=\"default\" r:id=\"rIdF1\"/>" + h1},
      {"own references stay; the rest through the chain",
       section_break(h1 + first) + section_break("<w:headerReference r:id=\"rIdS\"/>"), f1,
       f1 + "<w:headerReference w:type=\"default\" r:id=\"rIdS\"/>" + first},
      {"one section: unchanged", "<w:p/>", h1 + f1, h1 + f1},
      {"namespace declared on the break",
       "<w:p><w:pPr><w:sectPr xmlns:rel=\"" + std::string(kRelUri) +
           "\"><w:headerReference w:type=\"default\" rel:id=\"rIdH1\"/></w:sectPr></w:pPr></w:p>",
       "", h1},
  };
  for (const Case& c : cases) {
    TemplateContents spec;
    spec.headers = {{"default", "<w:p><w:r><w:t>&lt;Datum&gt;</w:t></w:r></w:p>"},
                    {"first", "<w:p/>"}};
    spec.body = c.body;
    spec.final_references = c.final_references;
    spec.extra_relationships =
        "<Relationship Id=\"rIdS\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
        "relationships/header\" Target=\"header1.xml\"/>";
    auto doc = Add(WriteTemplate(spec));
    const bool first_section_has_h1 = c.body.find("rIdH1") != std::string::npos ||
                                      c.final_references.find("rIdH1") != std::string::npos;
    EXPECT_EQ(Replace(*doc, "<Datum>", "D"), first_section_has_h1) << c.name;
    doc->GetContent()->SetText("a\r\n");
    auto parts = SaveAndRead(*doc);
    EXPECT_EQ(ElementsXml(parts.at("word/document.xml"), true), c.expected) << c.name;
  }
}

TEST_F(DocxEngineTest, NamesAreMatchedByTheNamespaceInScope) {
  struct Case {
    const char* name;
    std::string header;  // one paragraph
    std::string final_references;
    std::string replacement;
    bool found;
    std::string expected;
  };
  const std::string w = kWordUri;
  const std::string h1 = "<w:headerReference w:type=\"default\" r:id=\"rIdH1\"/>";
  const Case cases[] = {
      {"default namespace", "<p xmlns=\"" + w + "\"><r><t>a &lt;Datum&gt; b</t></r></p>", h1, "D",
       true, "<p xmlns=\"" + w + "\"><r><t>a D b</t></r></p>"},
      {"another prefix, new elements take it",
       "<x:p xmlns:x=\"" + w + "\"><x:r><x:t>&lt;Datum&gt;</x:t></x:r></x:p>", h1, "D\tE", true,
       "<x:p xmlns:x=\"" + w + "\"><x:r><x:t>D</x:t><x:tab/><x:t>E</x:t></x:r></x:p>"},
      {"declared on the run",
       "<w:p><y:r xmlns:y=\"" + w + "\"><y:t>&lt;Datum&gt;</y:t></y:r></w:p>", h1, "D", true,
       "<w:p><y:r xmlns:y=\"" + w + "\"><y:t>D</y:t></y:r></w:p>"},
      {"w rebound to another vocabulary",
       "<w:p><w:r xmlns:w=\"urn:other\"><w:t>&lt;Datum&gt;</w:t></w:r></w:p>", h1, "D", false,
       "<w:p><w:r xmlns:w=\"urn:other\"><w:t>&lt;Datum&gt;</w:t></w:r></w:p>"},
      {"relationship prefix declared on the reference",
       "<w:p><w:r><w:t>&lt;Datum&gt;</w:t></w:r></w:p>",
       "<w:headerReference xmlns:rel=\"" + std::string(kRelUri) +
           "\" w:type=\"default\" rel:id=\"rIdH1\"/>",
       "D", true, "<w:p><w:r><w:t>D</w:t></w:r></w:p>"},
  };
  for (const Case& c : cases) {
    TemplateContents spec;
    spec.headers = {{"default", c.header}};
    spec.final_references = c.final_references;
    auto doc = Add(WriteTemplate(spec));
    EXPECT_EQ(Replace(*doc, "<Datum>", c.replacement), c.found) << c.name;
    EXPECT_EQ(ElementsXml(Header1(SaveAndRead(*doc)), false), c.expected) << c.name;
  }
}

TEST_F(DocxEngineTest, AChangedPartIsWrittenAsTheUtf8ItDeclares) {
  auto parts = reportword::testing::TemplateParts({});
  for (auto& [name, content] : parts) {
    if (name != "word/header1.xml") continue;
    const std::string declared_utf16 = std::regex_replace(content, std::regex("UTF-8"), "UTF-16");
    content = "\xFF\xFE";  // UTF-16LE with its byte-order mark
    for (char c : declared_utf16) content += std::string{c, '\0'};
  }
  const auto path = dir_ / "utf16.dotx";
  reportword::testing::WriteFile(path, reportword::testing::ZipParts(parts));
  auto doc = Add(path.string());
  EXPECT_TRUE(Replace(*doc, "<Datum>", "D"));
  const std::string header = Header1(SaveAndRead(*doc));
  EXPECT_TRUE(header.starts_with("<?xml version=\"1.0\" encoding=\"UTF-8\"")) << header;
  EXPECT_NE(header.find("&lt;objektbezeichnung&gt; D &lt;"), std::string::npos) << header;
}

TEST_F(DocxEngineTest, FirstSectionWithoutPrimaryHeaderFindsNothing) {
  TemplateContents spec;
  spec.headers = {{"first", "<w:p><w:r><w:t>&lt;Datum&gt;</w:t></w:r></w:p>"}};
  auto doc = Add(WriteTemplate(spec));
  EXPECT_FALSE(Replace(*doc, "<Datum>", "D"));
  auto parts = SaveAndRead(*doc);
  EXPECT_NE(parts.at("word/header1.xml").find("&lt;Datum&gt;"), std::string::npos);
}

TEST_F(DocxEngineTest, ReplacementTextIsLiteralAndSafe) {
  struct Case {
    std::string replacement;
    const char* expected;
  };
  const Case cases[] = {
      {"A & <B> \"C\"", "<w:t>A &amp; &lt;B&gt; \"C\"</w:t>"},
      {" Hauptweg 4 ", "<w:t xml:space=\"preserve\"> Hauptweg 4 </w:t>"},
      {std::string("a\x01\x00z", 4), "<w:t>az</w:t>"},
      {"a\vb", "<w:t>a</w:t><w:br/><w:t>b</w:t>"},
      {"a\tb", "<w:t>a</w:t><w:tab/><w:t>b</w:t>"},
      {"Stra\xC3\x9F"
       "e \xFF",
       "<w:t>Straße \xEF\xBF\xBD</w:t>"},
      {"", "<w:t/>"},
  };
  for (const Case& c : cases) {
    TemplateContents spec;
    spec.headers["default"] = "<w:p><w:r><w:t>&lt;Bau-Nummer&gt;</w:t></w:r></w:p>";
    auto doc = Add(WriteTemplate(spec));
    EXPECT_TRUE(Replace(*doc, "<bau-nummer>", c.replacement));
    const std::string header = Header1(SaveAndRead(*doc));
    EXPECT_NE(header.find(c.expected), std::string::npos) << c.expected << "\n" << header;
  }
}

TEST_F(DocxEngineTest, BodyTextBecomesATableWithTheRequestedLayout) {
  struct Case {
    const char* name;
    std::string text;
    short columns;
    int rows;
    bool widths;
  };
  const Case cases[] = {
      {"three columns", "a\tb\tc\r\nd\te\tf\r\n", 3, 2, false},
      {"empty text gives one empty row", "", 3, 1, false},
      {"leading empty line", "\r\nx\ty\r\n", 2, 2, true},
      {"lone CR and LF end lines too", "a\tb\rc\td\ne\tf", 2, 3, false},
      {"extra fields stay in the last cell", "a\tb\tc\td\r\n", 2, 1, false},
  };
  for (const Case& c : cases) {
    auto doc = Add(WriteTemplate({}));
    doc->GetContent()->SetText(c.text);
    auto table = Convert(c.columns);
    table->SetPreferredWidthType(PreferredWidthType::kPercent);
    table->SetPreferredWidth(100.0f);
    table->GetBorders()->SetOutsideLineStyle(LineStyle::kNone);
    table->GetBorders()->SetInsideLineStyle(LineStyle::kNone);
    if (c.widths) {
      app_->GetSelection()->GetTables()->Item(1)->GetColumns()->Item(1)->SetWidth(250.0f);
      app_->GetSelection()->GetTables()->Item(1)->GetColumns()->Item(2)->SetWidth(150.0f);
    }
    const std::string main = SaveAndRead(*doc).at("word/document.xml");
    auto count = [&](const std::string& what) {
      std::size_t n = 0;
      for (std::size_t at = main.find(what); at != std::string::npos; at = main.find(what, at + 1))
        ++n;
      return static_cast<int>(n);
    };
    EXPECT_EQ(count("<w:tr>"), c.rows) << c.name;
    EXPECT_EQ(count("<w:tc>"), c.rows * c.columns) << c.name;
    EXPECT_EQ(count("<w:tcW "), c.rows * c.columns) << c.name;
    EXPECT_EQ(count("<w:gridCol "), c.columns) << c.name;
    EXPECT_NE(main.find("<w:tblW w:w=\"5000\" w:type=\"pct\"/>"), std::string::npos) << c.name;
    EXPECT_EQ(count("w:val=\"none\""), 6) << c.name;
    EXPECT_EQ(count("w:val=\"single\""), 0) << c.name;
    EXPECT_EQ(main.find("Template body text"), std::string::npos) << c.name;
    EXPECT_NE(main.find("</w:tbl><w:p/><w:sectPr>"), std::string::npos) << c.name;
    if (c.widths) {
      EXPECT_NE(main.find("<w:gridCol w:w=\"5000\"/><w:gridCol w:w=\"3000\"/>"), std::string::npos);
      EXPECT_EQ(count("<w:tcW w:w=\"5000\" w:type=\"dxa\"/>"), c.rows);
      EXPECT_EQ(count("<w:tcW w:w=\"3000\" w:type=\"dxa\"/>"), c.rows);
    } else {
      // The text width of the template's A4 page, 11906 - 2 * 1417 twips, shared evenly.
      EXPECT_NE(main.find("<w:gridCol w:w=\"" + std::to_string(9072 / c.columns) + "\"/>"),
                std::string::npos);
    }
  }
}

TEST_F(DocxEngineTest, ContentTextWithoutConversionGivesOneParagraphPerLine) {
  auto doc = Add(WriteTemplate({}));
  doc->GetContent()->SetText(std::string("eins\tzwei\r\ndrei\x02\r\n", 17));
  const std::string main = SaveAndRead(*doc).at("word/document.xml");
  EXPECT_NE(main.find("<w:body><w:p><w:r><w:t>eins</w:t><w:tab/><w:t>zwei</w:t></w:r></w:p>"
                      "<w:p><w:r><w:t>drei</w:t></w:r></w:p><w:p/><w:sectPr>"),
            std::string::npos)
      << main;
}

TEST_F(DocxEngineTest, SaveReplacesAnExistingFileOnlyWhenComplete) {
  const auto target = dir_ / "keep.docx";
  reportword::testing::WriteFile(target, "old contents");
  auto doc = Add(WriteTemplate({}));
  // A folder that does not exist, and a folder named like the target: both fail.
  EXPECT_THROW(doc->SaveAs((dir_ / "missing" / "x.docx").string()), wordproc::Error);
  std::filesystem::create_directory(dir_ / "folder.docx");
  EXPECT_THROW(doc->SaveAs((dir_ / "folder.docx").string()), wordproc::Error);
#ifndef _WIN32
  if (::geteuid() != 0) {  // root writes into read-only folders anyway
    std::filesystem::create_directory(dir_ / "ro");
    ::chmod((dir_ / "ro").c_str(), 0555);
    EXPECT_THROW(doc->SaveAs((dir_ / "ro" / "x.docx").string()), wordproc::Error);
  }
#endif
  EXPECT_EQ(reportword::testing::ReadFile(target), "old contents");
  doc->SaveAs(target.string());
  EXPECT_NE(reportword::testing::ReadFile(target).substr(0, 2), "ol");
  std::size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
    if (entry.is_regular_file()) ++files;
  }
  EXPECT_EQ(files, 2u);  // the template and the target: no temporary file left
}

TEST_F(DocxEngineTest, EveryObjectRefusesCallsAfterItsDocumentIsClosedOrTheAppQuits) {
  auto doc = Add(WriteTemplate({}));
  doc->GetContent()->SetText("a\tb\r\n");
  auto table = Convert(2);
  auto borders = table->GetBorders();
  auto column = table->GetColumns()->Item(1);
  auto tables = app_->GetSelection()->GetTables();
  auto headers = doc->GetSections()->Item(1)->GetHeaders();
  auto header = headers->Item(kHeaderFooterPrimary);
  auto range = header->GetRange();
  auto find = range->GetFind();
  auto content = doc->GetContent();
  auto sections = doc->GetSections();
  auto section = sections->Item(1);
  auto selection = app_->GetSelection();
  doc->Close();
  const std::pair<const char*, std::function<void()>> calls[] = {
      {"Document.Content", [&] { doc->GetContent(); }},
      {"Document.Sections", [&] { doc->GetSections(); }},
      {"Document.Application", [&] { doc->GetApplication(); }},
      {"Document.SaveAs", [&] { doc->SaveAs((dir_ / "x.docx").string()); }},
      {"Document.Close", [&] { doc->Close(); }},
      {"Sections.Item", [&] { sections->Item(1); }},
      {"Section.Headers", [&] { section->GetHeaders(); }},
      {"HeadersFooters.Count", [&] { headers->Count(); }},
      {"HeadersFooters.Item", [&] { headers->Item(1); }},
      {"HeaderFooter.Range", [&] { header->GetRange(); }},
      {"Range.Find", [&] { range->GetFind(); }},
      {"Range.Text", [&] { content->SetText("x"); }},
      {"Range.Select", [&] { content->Select(); }},
      {"Find.Execute", [&] { find->Execute(FindExecuteArgs()); }},
      {"Table.PreferredWidthType",
       [&] { table->SetPreferredWidthType(PreferredWidthType::kPercent); }},
      {"Table.PreferredWidth", [&] { table->SetPreferredWidth(100.0f); }},
      {"Table.Borders", [&] { table->GetBorders(); }},
      {"Table.Columns", [&] { table->GetColumns(); }},
      {"Borders.OutsideLineStyle", [&] { borders->SetOutsideLineStyle(LineStyle::kNone); }},
      {"Borders.InsideLineStyle", [&] { borders->SetInsideLineStyle(LineStyle::kNone); }},
      {"Column.Width", [&] { column->SetWidth(10.0f); }},
      {"Tables.Item", [&] { tables->Item(1); }},
      {"Selection.WholeStory", [&] { selection->WholeStory(); }},
  };
  for (const auto& [name, call] : calls) EXPECT_THROW(call(), wordproc::Error) << name;
  app_->Quit();
  const std::pair<const char*, std::function<void()>> after_quit[] = {
      {"Application.Documents", [&] { app_->GetDocuments(); }},
      {"Application.Selection", [&] { app_->GetSelection(); }},
      {"Application.Application", [&] { app_->GetApplication(); }},
      {"Application.Visible", [&] { app_->SetVisible(false); }},
      {"Application.DisplayAlerts", [&] { app_->SetDisplayAlerts(0); }},
      {"Application.Quit", [&] { app_->Quit(); }},
  };
  for (const auto& [name, call] : after_quit) EXPECT_THROW(call(), wordproc::Error) << name;
}

TEST(DocxPackageTest, PartsInflatingPastTheTotalLimitAreRefused) {
  PackageLimits limits;
  limits.max_total_size = 64 * 1024;
  auto parts = reportword::testing::TemplateParts({});
  parts.emplace_back("word/media/a.bin", std::string(40 * 1024, 'a'));
  const std::string fits = reportword::testing::ZipParts(parts);
  EXPECT_NO_THROW(TemplatePackage::FromBytes(fits, "t.dotx", limits));
  parts.emplace_back("word/media/b.bin", std::string(40 * 1024, 'b'));
  try {
    TemplatePackage::FromBytes(reportword::testing::ZipParts(parts), "t.dotx", limits);
    ADD_FAILURE() << "accepted";
  } catch (const wordproc::Error& e) {
    EXPECT_NE(std::string(e.what()).find("in all"), std::string::npos) << e.what();
  }
}

TEST(DocxPackageTest, RelationshipTargetsResolveInsideThePackageOnly) {
  EXPECT_EQ(ResolvePartName("word/document.xml", "header1.xml"), "word/header1.xml");
  EXPECT_EQ(ResolvePartName("word/document.xml", "/word/h.xml"), "word/h.xml");
  EXPECT_EQ(ResolvePartName("word/document.xml", "../customXml/item1.xml"), "customXml/item1.xml");
  EXPECT_EQ(ResolvePartName("word/document.xml", "../../etc/passwd"), "");
}

}  // namespace
}  // namespace reportword::docx
