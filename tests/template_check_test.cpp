// The template check as a template's author meets it: small templates with
// one fault each, checked through the executable in both output forms.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <sstream>

#include "check/check_result.h"
#include "check/json_string.h"
#include "check/near_misses.h"
#include "template_check_cases.h"
#include "test_support.h"
#include "text/unicode.h"

namespace reportword::test {
namespace {

constexpr const char* kCleanHeader =
    "<w:p><w:r><w:t>&lt;objektbezeichnung&gt; &lt;Datum&gt; &lt;Bau-</w:t></w:r>"
    "<w:r><w:t>Nummer&gt; &lt;filename&gt;</w:t></w:r></w:p>";

std::string Paragraph(const std::string& runs) {
  return "<w:p>" + runs + "</w:p>";
}
std::string Run(const std::string& text) {
  return "<w:r><w:t xml:space=\"preserve\">" + text + "</w:t></w:r>";
}

TemplateContents Clean() {
  TemplateContents spec;
  spec.headers = {{"default", kCleanHeader}};
  spec.footer = Paragraph(Run("Seite 1"));
  return spec;
}

TemplateContents WithHeader(const std::string& inner) {
  TemplateContents spec = Clean();
  spec.headers["default"] = inner;
  return spec;
}

// `part` with relationship `id` and the given XML, added to the package.
void AddPart(TemplateContents& spec, const std::string& id, const std::string& type,
             const std::string& part, const std::string& xml) {
  spec.extra_relationships += "<Relationship Id=\"" + id +
                              "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                              "relationships/" +
                              type + "\" Target=\"" + part + "\"/>";
  spec.extra_parts.emplace_back("word/" + part, xml);
}

}  // namespace

// An expected JSON answer, kept as a file beside the tests.
std::string ExpectedFile(const std::string& name) {
  return ReadFile(std::filesystem::path(REPORTWORD_SOURCE_DIR) / "tests" / "data" /
                  "template-check" / name);
}

std::vector<TemplateCheckCase> TemplateCheckCases() {
  std::vector<TemplateCheckCase> cases;
  // Placeholders where they do no harm: the body is replaced by the table (a
  // text box stands in the section of the paragraph that holds it), and a
  // first-page header that no page shows may hold anything.
  TemplateContents clean = Clean();
  clean.headers["first"] = Paragraph(Run("«Datum»"));
  clean.body = Paragraph(
      "<w:pPr><w:sectPr><w:headerReference w:type=\"default\" "
      "r:id=\"rIdH1\"/></w:sectPr></w:pPr><w:r><w:pict><v:shape "
      "xmlns:v=\"urn:schemas-microsoft-com:vml\"><v:textbox><w:txbxContent>" +
      Paragraph(Run("am &lt;Datum&gt;")) + "</w:txbxContent></v:textbox></v:shape></w:pict></w:r>");
  cases.push_back({"clean", clean, true, 0, {ExpectedFile("clean.json")}});

  TemplateContents footer = Clean();
  footer.footer = Paragraph(Run("Stand &lt;DATUM&gt;"));
  cases.push_back(
      {"placeholder in the footer",
       footer,
       false,
       4,
       {"  <Datum>              <DATUM>              section 1 primary footer  no              no",
        "{path}: <Datum> in the section 1 primary footer is not filled and shows as written; move "
        "it into the section 1 primary header"}});

  TemplateContents first_page = Clean();
  first_page.headers["first"] = Paragraph(Run("Titel"));
  first_page.section_extra = "<w:titlePg/>";
  cases.push_back({"first page header",
                   first_page,
                   false,
                   4,
                   {"{path}: section 1 has a different first page, so the first page does not show "
                    "the filled header; switch \"Different first page\" off in section 1"}});

  TemplateContents even = Clean();
  AddPart(even, "rIdSettings", "settings", "settings.xml",
          std::string("<w:settings ") + test::kWordNs + "><w:evenAndOddHeaders/></w:settings>");
  cases.push_back({"even page headers",
                   even,
                   false,
                   4,
                   {"{path}: the template has different odd and even pages, so even pages do not "
                    "show the filled header; switch \"Different odd and even pages\" off"}});

  // Even pages show a header of their own, and its placeholder is named by
  // the place it stands in.
  TemplateContents even_header = even;
  even_header.headers["even"] = Paragraph(Run("&lt;Datum&gt;"));
  cases.push_back({"placeholder in the even-page header",
                   even_header,
                   false,
                   4,
                   {"  <Datum>              <Datum>              section 1 even-page header  no    "
                    "          no",
                    "{path}: <Datum> in the section 1 even-page header is not filled and shows as "
                    "written; move it into the section 1 primary header",
                    "{path}: the template has different odd and even pages, so even pages do not "
                    "show the filled header; switch \"Different odd and even pages\" off"}});

  // Section 1 ends at a break that uses the filled header; the last section
  // has a primary header of its own, which holds a designation.
  TemplateContents two_sections = Clean();
  two_sections.body = Paragraph(
                          "<w:pPr><w:sectPr><w:headerReference w:type=\"default\" "
                          "r:id=\"rIdH1\"/></w:sectPr></w:pPr>") +
                      Paragraph(Run("Text"));
  two_sections.final_references = "<w:headerReference w:type=\"default\" r:id=\"rIdLast\"/>";
  AddPart(two_sections, "rIdLast", "header", "header9.xml",
          std::string("<w:hdr ") + test::kWordNs + ">" +
              Paragraph(Run("&lt;objektbezeichnung&gt;")) + "</w:hdr>");
  cases.push_back(
      {"last section with a primary header of its own",
       two_sections,
       false,
       4,
       {"  <objektbezeichnung>  <objektbezeichnung>  section 2 primary header  no              no",
        "{path}: <objektbezeichnung> in the section 2 primary header is not filled and shows as "
        "written; move it into the section 1 primary header",
        "{path}: section 2 has a primary header of its own, which the documents show instead of "
        "the filled one of section 1 (only the last section's headers remain); link the section 2 "
        "header to the previous section"}});

  // Every kind of near miss in the filled header, and one in the footer.
  TemplateContents near_misses = WithHeader(
      Paragraph(Run("&lt;Objektbezeichung&gt; &lt;Datum &gt; ‹Bau-Nummer› filename&gt;")));
  near_misses.footer = Paragraph(Run("Stand: «Datum»"));
  cases.push_back(
      {"near misses",
       near_misses,
       false,
       4,
       {"{path}: \"<Objektbezeichung>\" in the section 1 primary header looks like "
        "<objektbezeichnung> but is not found (one character wrong, missing or extra); write it as "
        "<objektbezeichnung>",
        "{path}: \"<Datum >\" in the section 1 primary header looks like <Datum> but is not found "
        "(spaces inside the brackets); write it as <Datum>",
        "{path}: \"‹Bau-Nummer›\" in the section 1 primary header looks like <Bau-Nummer> but is "
        "not found (other bracket characters); write it as <Bau-Nummer>",
        "{path}: \"filename>\" in the section 1 primary header looks like <filename> but is not "
        "found (a bracket missing); write it as <filename>",
        "{path}: \"«Datum»\" in the section 1 primary footer looks like <Datum> but is not found "
        "(other bracket characters); placeholders are filled only in the section 1 primary header, "
        "so write <Datum> there"}});

  const std::string field_begin = "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r>";
  const std::string field_end = "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r>";
  cases.push_back(
      {"hidden from the search",
       WithHeader(
           Paragraph(Run("&lt;Da") + field_begin +
                     "<w:r><w:instrText>PAGE</w:instrText></w:r><w:r><w:fldChar "
                     "w:fldCharType=\"separate\"/></w:r>" +
                     Run("3") + field_end + Run("tum&gt;")) +
           Paragraph(field_begin +
                     "<w:r><w:instrText>MACROBUTTON x &lt;Bau-Nummer&gt;</w:instrText></w:r>" +
                     field_end) +
           Paragraph(Run("&lt;objekt") +
                     "<w:del w:id=\"1\" "
                     "w:author=\"a\"><w:r><w:delText>bezeich</w:delText></w:r></w:del>" +
                     Run("nung&gt;")) +
           Paragraph(Run("&lt;file\xC2\xADname&gt;"))),
       false,
       4,
       {"{path}: <Datum> in the section 1 primary header is split by a field, so it is not found; "
        "type it again as plain text",
        "{path}: <Bau-Nummer> in the section 1 primary header is part of a field code, so it is "
        "not found; type it as plain text outside the field",
        "{path}: <objektbezeichnung> in the section 1 primary header lies in or across deleted "
        "text (a tracked change), so it is not found; accept or reject the change",
        "{path}: <filename> in the section 1 primary header is split by a soft hyphen, so it is "
        "not found; remove the soft hyphen"}});

  // Four dates in a text box: document 1 fills three, document 2 one.
  cases.push_back(
      {"repeated placeholders",
       WithHeader(Paragraph(Run("&lt;Bau-Nummer&gt;&lt;Bau-Nummer&gt;")) +
                  Paragraph("<w:r><w:pict><v:shape "
                            "xmlns:v=\"urn:schemas-microsoft-com:vml\"><v:textbox><w:txbxContent>" +
                            Paragraph(Run("&lt;Datum&gt;&lt;Datum&gt;&lt;Datum&gt;&lt;Datum&gt;")) +
                            "</w:txbxContent></v:textbox></v:shape></w:pict></w:r>")),
       true,
       4,
       {ExpectedFile("repeats.json")}});

  cases.push_back(
      {"a second date",
       WithHeader(Paragraph(Run("&lt;Datum&gt; &lt;Datum&gt;"))),
       false,
       4,
       {"  <Datum>      <Datum>     section 1 primary header  document 1 only  document 1 only",
        "{path}: occurrence 2 of <Datum> in the section 1 primary header is filled only when the "
        "template makes document 1, not in document 2; keep one <Datum>"}});

  // The body is replaced, so its placeholders are fine; settings that cannot
  // be read set nothing, nor does a footer reference that leads nowhere.
  TemplateContents body = Clean();
  body.body = Paragraph(Run("&lt;Datum&gt;"));
  body.section_extra = "<w:footerReference w:type=\"even\" r:id=\"rIdNowhere\"/>";
  AddPart(body, "rIdSettings", "settings", "settings.xml",
          std::string("<w:settings ") + test::kWordNs + "><w:evenAndOddHeaders/>");
  cases.push_back({"placeholder in the body, settings unreadable, a dangling reference",
                   body,
                   false,
                   0,
                   {"  <Datum>              <Datum>              section 1 body            no      "
                    "        no"}});

  TemplateContents columns = Clean();
  columns.section_extra = "<w:cols w:num=\"2\" w:space=\"708\"/>";
  cases.push_back({"columns",
                   columns,
                   false,
                   4,
                   {"{path}: section 1 sets its text in 2 columns, so the body table stands in one "
                    "narrow column; set section 1 in one column"}});
  return cases;
}
}  // namespace reportword::test

namespace reportword {
namespace {

namespace fs = std::filesystem;
using test::TemplateCheckCase;
using ::testing::HasSubstr;

std::string WithPath(std::string text, const std::string& path) {
  for (std::size_t at = text.find("{path}"); at != std::string::npos;
       at = text.find("{path}", at + path.size())) {
    text.replace(at, 6, path);
  }
  return text;
}

TEST(TemplateCheckTest, EachFaultGivesItsFindingAndExitStatus) {
  test::TempDir dir;
  for (const TemplateCheckCase& c : test::TemplateCheckCases()) {
    const fs::path path = dir / "t.dotx";
    test::WriteFile(path, test::BuildTemplate(c.spec));
    std::vector<fs::path> words = {"--check-template"};
    if (c.json) words.push_back("--json");
    words.push_back(path);
    // The JSON form is the same under every locale: scripts read it.
    const char* locale = c.json && test::LocaleInstalled("de_DE.UTF-8") ? "de_DE.UTF-8" : "C";
    test::CommandResult result = test::RunReportword(words, locale);
    std::erase(result.output, '\r');  // Windows consoles end lines in CR LF
    std::erase(result.standard_output, '\r');
    EXPECT_EQ(result.status, c.status) << c.name << "\n" << result.output;
    if (c.json) {
      std::string json_path;  // backslashes of Windows paths are escaped in JSON
      for (char ch : path.string())
        json_path += ch == '\\' ? std::string(2, ch) : std::string(1, ch);
      EXPECT_EQ(result.standard_output, WithPath(c.expected.front(), json_path)) << c.name;
      continue;
    }
    // Every finding is expected: the finding lines are those naming the template.
    std::size_t findings = 0;
    std::istringstream lines(result.output);
    for (std::string line; std::getline(lines, line);)
      findings += line.starts_with(path.string() + ": ");
    std::size_t expected_findings = 0;
    for (const std::string& line : c.expected) expected_findings += line.starts_with("{path}: ");
    EXPECT_EQ(findings, expected_findings) << c.name << "\n" << result.output;
    for (const std::string& line : c.expected) {
      EXPECT_THAT("\n" + result.output, HasSubstr("\n" + WithPath(line, path.string()) + "\n"))
          << c.name;
    }
  }
}

TEST(TemplateCheckTest, BundledTemplatesAreCleanAndFaultsOfUseAreTold) {
  const fs::path examples = fs::path(REPORTWORD_SOURCE_DIR) / "examples";
  auto bundled = test::RunReportword(
      {"--check-template", examples / "netzanalyse-1.dotx", examples / "netzanalyse-2.dotx"});
  EXPECT_EQ(bundled.status, 0) << bundled.output;
  EXPECT_THAT(bundled.output, HasSubstr("no findings"));

  test::TempDir dir;
  auto unreadable = test::RunReportword({"--check-template", dir / "missing.dotx"});
  EXPECT_EQ(unreadable.status, 1) << unreadable.output;
  EXPECT_THAT(unreadable.output, HasSubstr("Velam_Analyse: template \"" +
                                           (dir / "missing.dotx").string() + "\": cannot be read"));
  // A template a run refuses is refused alike, with the run's message.
  auto parts = test::TemplateParts({});
  parts.emplace_back("WORD/DOCUMENT.XML", test::Part(parts, "word/document.xml"));
  test::WriteFile(dir / "twice.dotx", test::ZipParts(parts));
  auto twice = test::RunReportword({"--check-template", dir / "twice.dotx"});
  EXPECT_EQ(twice.status, 1) << twice.output;
  EXPECT_THAT(twice.output, HasSubstr("twice.dotx\": holds one part under two names, "
                                      "word/document.xml and WORD/DOCUMENT.XML"));
  for (const std::vector<fs::path>& wrong :
       {std::vector<fs::path>{"--check-template"}, {"--check-template", "--xml", "a.dotx"}}) {
    auto usage = test::RunReportword(wrong);
    EXPECT_EQ(usage.status, 2) << usage.output;
    EXPECT_THAT(usage.output, HasSubstr("usage: reportword --check-template [--json] TEMPLATE..."));
  }
}

TEST(NearMissesTest, FindsWhatAReaderTakesForAPlaceholder) {
  const std::vector<std::u32string> placeholders = {U"<datum>", U"<bau-nummer>"};
  struct Case {
    std::u32string text;
    std::vector<std::array<std::size_t, 4>> misses;  // begin, end, placeholder, reasons
  } cases[] = {
      {U"<datum> <bau-nummer>", {}},
      {U"am <datun>.", {{3, 10, 0, check::kOneCharacterOff}}},
      {U"<dat> <batu-numer>",
       {{0, 5, 0, check::kTwoCharactersOff}, {6, 18, 1, check::kTwoCharactersOff}}},
      {U"<dxxxm>", {}},
      {U"< datum >", {{0, 9, 0, check::kSpacesInside}}},
      {U"«datum» [bau-nummer]",
       {{0, 7, 0, check::kOtherBrackets}, {8, 20, 1, check::kOtherBrackets}}},
      {U"x datum> y", {{2, 8, 0, check::kMissingBracket}}},
      {U"x <datum y", {{2, 8, 0, check::kMissingBracket}}},
      {U"<datu y", {{0, 5, 0, check::kMissingBracket | check::kOneCharacterOff}}},
      {U"<>, <  >, >", {}},
      {U"<" + std::u32string(41, U'd') + U"> <datum>", {}},
      {U"<" + std::u32string(34, U' ') + U"datum >",
       {{0, 42, 0, check::kSpacesInside}}},  // 40 inside
      {U"<" + std::u32string(35, U' ') + U"datum >", {}},
      {U"<datum\tx>", {{0, 6, 0, check::kMissingBracket}}},
  };
  for (const Case& c : cases) {
    std::vector<std::array<std::size_t, 4>> found;
    for (const check::NearMiss& m : check::FindNearMisses(c.text, placeholders))
      found.push_back({m.begin, m.end, m.placeholder, m.reasons});
    EXPECT_EQ(found, c.misses) << text::Utf32ToUtf8(c.text);
  }
  EXPECT_EQ(check::EditDistance(U"kitten", U"sitting", 9), 3u);
  EXPECT_EQ(check::EditDistance(U"abc", U"abcdefg", 3), 3u);
}

TEST(JsonStringTest, EscapesWhatJsonRequires) {
  EXPECT_EQ(check::JsonString("a\"b\\c\n\r\t\x01\x1f\x7fä€"),
            "\"a\\\"b\\\\c\\n\\r\\t\\u0001\\u001f\x7fä€\"");
  // Bytes that are not UTF-8 stay apart from each other and from U+FFFD.
  EXPECT_EQ(check::JsonString("a\xFF\xC3"), "\"a\\udcff\\udcc3\"");
  EXPECT_EQ(check::JsonString("\xEF\xBF\xBD"), "\"\xEF\xBF\xBD\"");
}

}  // namespace
}  // namespace reportword
