// Runs the real executable on generated inputs and checks what a caller sees:
// the exit status, the one-line diagnostic, and the files written or not.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <regex>

#include "package_builder.h"
#include "report/report_decoding.h"
#include "test_support.h"

namespace reportword {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::WriteFile;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr const char* kNetworkReport =
    "Export\tline one is discarded\r\nb7-001\tHauptweg 4\tStra\xDF"
    "e 1\tNAYY 150\tOK\r\n\tOther\tGasse 2\tNYY 50\tMuffe\r\n\r\nMesspunkt\tWert\r\nMP 1\t0,4 "
    "%\r\nMP 2\t1,2 %\r\n";

class EndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A folder name with a space and non-ASCII letters, as users have them.
    folder_ = dir_ / "Prüf ordner";
    fs::create_directories(folder_);
    fs::copy_file(fs::path(REPORTWORD_SOURCE_DIR) / "examples" / "netzanalyse-1.dotx",
                  folder_ / "a.dotx");
    fs::copy_file(fs::path(REPORTWORD_SOURCE_DIR) / "examples" / "netzanalyse-2.dotx",
                  folder_ / "b.dotx");
    WriteFile(folder_ / "report.txt", kNetworkReport);
  }

 public:
  fs::path P(const std::string& name) const { return folder_ / name; }

 protected:
  test::CommandResult RunDefault(const std::string& code = "9520e000",
                                 const std::string& template2 = "b.dotx") {
    return test::RunReportword(
        {code, P("a.dotx"), P(template2), P("report.txt"), P("out1.docx"), P("out2.docx")});
  }

  test::TempDir dir_;
  fs::path folder_;
};

TEST_F(EndToEndTest, NetworkRunWritesBothDocuments) {
  auto result = RunDefault();
  ASSERT_EQ(result.status, 0) << result.output;
  EXPECT_EQ(result.output, "");
  test::ExpectSchemaValid(P("out1.docx"));
  test::ExpectSchemaValid(P("out2.docx"));
  const auto doc1 = test::ReadPackage(P("out1.docx"));
  const auto doc2 = test::ReadPackage(P("out2.docx"));
  const std::string& header1 = doc1.at("word/header1.xml");
  EXPECT_THAT(header1, HasSubstr("Hauptweg 4 Niederspannungsnetz"));
  EXPECT_THAT(header1, HasSubstr("B7-001"));
  EXPECT_TRUE(std::regex_search(header1, std::regex(R"(\d\d-[A-Z][a-z][a-z]-\d{4})"))) << header1;
  EXPECT_THAT(doc2.at("word/header1.xml"), HasSubstr("B7-001"));
  const std::string& main1 = doc1.at("word/document.xml");
  EXPECT_THAT(main1, HasSubstr("<w:t>Straße 1</w:t>"));
  EXPECT_THAT(main1, HasSubstr("<w:t>Muffe</w:t>"));
  EXPECT_THAT(main1, Not(HasSubstr("Dieser Text der Vorlage")));
  EXPECT_THAT(doc2.at("word/document.xml"), HasSubstr("<w:t>1,2 %</w:t>"));
  // Each document is new, made from its template (its properties: NewDocumentTest).
  EXPECT_THAT(doc1.at("docProps/app.xml"), HasSubstr("<Template>a.dotx</Template>"));
}

TEST_F(EndToEndTest, FailureInDocument2KeepsDocument1AndTheOldSecondTarget) {
  WriteFile(P("bad.dotx"), test::BuildTemplate().substr(0, 300));
  WriteFile(P("out2.docx"), "previous document 2");
  auto result = RunDefault("9570e000", "bad.dotx");
  EXPECT_EQ(result.status, 1) << result.output;
  EXPECT_THAT(result.output, HasSubstr("Velam_Analyse: "));
  EXPECT_THAT(result.output, HasSubstr("bad.dotx"));
  ASSERT_TRUE(fs::exists(P("out1.docx")));
  EXPECT_THAT(test::ReadPackage(P("out1.docx")).at("word/header1.xml"),
              HasSubstr("Signalkabelnetz"));
  EXPECT_EQ(ReadFile(P("out2.docx")), "previous document 2");
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_), {}), 6) << "a temporary file is left";
}

// The bundled example report as Windows PowerShell writes it (UTF-16 with a
// byte-order mark, in either byte order) gives the documents it gives as the
// Windows-1252 it is bundled in: the same headers and tables.
TEST_F(EndToEndTest, AUtf16ReportGivesTheSameDocumentsAsIn8Bits) {
  const fs::path examples = fs::path(REPORTWORD_SOURCE_DIR) / "examples";
  const std::string windows1252 = ReadFile(examples / "netzbericht-9520e000.txt");
  std::string utf8;
  report::AppendWindows1252(utf8, windows1252);
  std::map<std::string, std::map<std::string, std::string>> parts_of;
  for (const auto& [name, bytes] :
       {std::pair{"1252", windows1252}, std::pair{"le", test::Utf16(utf8, false)},
        std::pair{"be", test::Utf16(utf8, true)}}) {
    WriteFile(P("report.txt"), bytes);
    auto result = RunDefault();
    ASSERT_EQ(result.status, 0) << name << ": " << result.output;
    for (const char* document : {"out1.docx", "out2.docx"}) {
      const auto package = test::ReadPackage(P(document));
      for (const char* part : {"word/document.xml", "word/header1.xml"})
        parts_of[name][std::string(document) + ":" + part] = package.at(part);
    }
  }
  EXPECT_THAT(parts_of["1252"]["out2.docx:word/document.xml"], HasSubstr("<w:tr"));
  EXPECT_EQ(parts_of["le"], parts_of["1252"]);
  EXPECT_EQ(parts_of["be"], parts_of["1252"]);
}

// The program's own messages, help and the template check included, are in
// the reader's language; the input-check messages are the same bytes under
// every locale, since calling programs match them. --help and --version count
// only alone.
TEST_F(EndToEndTest, MessagesFollowTheLocaleExceptTheInputChecks) {
  if (!test::LocaleInstalled("de_DE.UTF-8")) {
    GTEST_SKIP() << "locale de_DE.UTF-8 is not installed; run scripts/install-deps.sh --tests";
  }
  // The output is on stdout or else one line on stderr; it starts with the
  // German or English text, and is all of it where that ends a line.
  struct Case {
    const char* name;
    std::vector<fs::path> words;
    int status;
    bool on_stdout;
    std::string german;
    std::string english;
  };
  const std::string template_missing =
      "Velam_Analyse: Vorlage existiert nicht.Dokument kann nicht generiert werden\n";
  const std::u8string checked = P("a.dotx").u8string();  // as the check names it
  const std::string checked_path(checked.begin(), checked.end());
  const Case cases[] = {
      {"help", {"--help"}, 0, true, "Aufruf: reportword <", "usage: reportword <"},
      {"version",
       {"--version"},
       0,
       true,
       "reportword " REPORTWORD_VERSION "\n",
       "reportword " REPORTWORD_VERSION "\n"},
      {"help and more",
       {"--help", "x"},
       2,
       false,
       "Velam_Analyse: Aufruf: reportword <",
       "Velam_Analyse: usage: reportword <"},
      {"template check",
       {"--check-template", P("a.dotx")},
       0,
       true,
       checked_path + "\n  Platzhalter ",
       checked_path + "\n  placeholder "},
      {"report check",
       {"--check-report", "9520e000", P("report.txt")},
       0,
       true,
       P("report.txt").string() + "\n  Kodierung ",
       P("report.txt").string() + "\n  encoding "},
      {"template check without a template",
       {"--check-template"},
       2,
       false,
       "Velam_Analyse: Aufruf: reportword --check-template [--json] VORLAGE...\n",
       "Velam_Analyse: usage: reportword --check-template [--json] TEMPLATE...\n"},
      {"input check",
       {"9520e000", P("none.dotx"), P("b.dotx"), P("report.txt"), P("out1.docx"), P("out2.docx")},
       3,
       false,
       template_missing,
       template_missing},
      // Causes that libraries give in English are the program's own words.
      {"a template that is no zip",
       {"9520e000", P("junk.dotx"), P("b.dotx"), P("report.txt"), P("out1.docx"), P("out2.docx")},
       1,
       false,
       "Velam_Analyse: Vorlage \"" + P("junk.dotx").string() +
           "\": ist kein gültiges .dotx/.docx-Paket (kein ZIP-Archiv)\n",
       "Velam_Analyse: template \"" + P("junk.dotx").string() +
           "\": is not a valid .dotx/.docx package (not a zip archive)\n"},
      {"a template that is gone",
       {"--check-template", P("gone.dotx")},
       1,
       false,
       "Velam_Analyse: Vorlage \"" + P("gone.dotx").string() +
           "\": kann nicht gelesen werden (keine solche Datei und kein solcher Ordner)\n",
       "Velam_Analyse: template \"" + P("gone.dotx").string() +
           "\": cannot be read (no such file or folder)\n"},
      {"save error",
       {"9520e000", P("a.dotx"), P("b.dotx"), P("report.txt"), P("missing/1.docx"), P("out2.docx")},
       1,
       false,
       "Velam_Analyse: \"" + P("missing/1.docx").string() +
           "\" kann nicht gespeichert werden: der Ordner existiert nicht\n",
       "Velam_Analyse: cannot save \"" + P("missing/1.docx").string() +
           "\": the folder does not exist\n"},
  };
  test::WriteFile(P("junk.dotx"), "not a package at all");
  for (const Case& c : cases) {
    for (const auto& [locale, expected] : {std::pair{"de_DE.UTF-8", c.german}, {"C", c.english}}) {
      SCOPED_TRACE(std::string(c.name) + " under " + locale);
      auto result = test::RunReportword(c.words, locale);
      EXPECT_EQ(result.status, c.status);
      EXPECT_EQ(result.standard_output, c.on_stdout ? result.output : "");
      std::erase(result.output, '\r');  // Windows ends console lines in CR LF
      EXPECT_TRUE(result.output.starts_with(expected)) << result.output;
      if (expected.ends_with('\n')) {
        EXPECT_EQ(result.output, expected);
      }
    }
  }
}

}  // namespace
}  // namespace reportword
