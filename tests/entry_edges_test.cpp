// What a careless or hostile caller meets at the program's edges, through the
// executable: arguments the argument text cannot carry, names that would break
// a message line, templates that are not files or cannot be read, reports that
// are not reports, and output that cannot be written.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "package_builder.h"
#include "test_support.h"
#include "text/display_escaping.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define REPORTWORD_CLANG_ASAN 1
#endif
#endif
#ifndef REPORTWORD_CLANG_ASAN
#define REPORTWORD_CLANG_ASAN 0
#endif

namespace reportword {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::WriteFile;

constexpr const char* kReport = "Export\r\nb7\tHauptweg\tStrasse\tNAYY\tOK\r\n\r\nMP\tWert\r\n";

class EntryEdgesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::copy_file(fs::path(REPORTWORD_SOURCE_DIR) / "examples" / "netzanalyse-1.dotx",
                  dir_ / "a.dotx");
    WriteFile(dir_ / "report.txt", kReport);
    WriteFile(dir_ / "victim.txt", "keep me");
  }
  fs::path P(const std::string& name) const { return dir_ / name; }
  std::string Program() const { return testing::ShellQuote(REPORTWORD_EXECUTABLE); }

  testing::TempDir dir_;
};

TEST(DisplayEscapingTest, EveryControlCharacterAndStrayByteIsEscaped) {
  // clang-format off
  const std::pair<std::string, std::string> cases[] = {
      {"C:\\Vorlagen\\Prüf ordner\\a.dotx", "C:\\Vorlagen\\Prüf ordner\\a.dotx"},
      {"a\nb\rc\td", "a\\nb\\rc\\td"},
      {"\x1b[31mred\x7f", "\\x1b[31mred\\x7f"},
      {std::string("nul\0x", 5), "nul\\x00x"},
      {"c1 \xC2\x85 line \xE2\x80\xA8 para \xE2\x80\xA9", "c1 \\u0085 line \\u2028 para \\u2029"},
      {"raw \xFF\xC3 end", "raw \\xff\\xc3 end"},  // two different stray bytes print differently
      {"straße €", "straße €"},
  };
  // clang-format on
  for (const auto& [raw, shown] : cases) EXPECT_EQ(text::EscapeForDisplay(raw), shown) << shown;
}

#ifndef _WIN32

// A report named `r.txt" "victim.txt` would make victim.txt the first target.
TEST_F(EntryEdgesTest, ArgumentWithADoubleQuoteIsRefusedOnPosix) {
  const std::string sneaky = P("report.txt").string() + "\" \"" + P("victim.txt").string();
  // `named`: the argument the message names.
  // clang-format off
  struct Case { const char* name; std::vector<fs::path> words; std::string named; };
  // clang-format on
  const Case cases[] = {
      {"in the report",
       {"9520e000", P("a.dotx"), P("a.dotx"), sneaky, P("o1.docx"), P("o2.docx")},
       sneaky},
      {"in the last target",
       {"9520e000", P("a.dotx"), P("a.dotx"), P("report.txt"), P("o1.docx"), "x\"y.docx"},
       "x\"y.docx"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const testing::CommandResult result = testing::RunReportword(c.words);
    EXPECT_EQ(result.status, 2) << result.output;
    // clang-format off
    EXPECT_EQ(result.output, "Velam_Analyse: the argument \"" + c.named + "\" holds a double quote, which would end its path early; rename the file or folder without the double quote\n");
    // clang-format on
    EXPECT_EQ(ReadFile(P("victim.txt")), "keep me");
    EXPECT_FALSE(fs::exists(P("o1.docx")));
  }
}

// A name holding a line break or an escape sequence stays inside its one line,
// on stderr and in the check's report alike.
TEST_F(EntryEdgesTest, ControlCharactersInNamesAreShownEscaped) {
  const fs::path named = P("x\ny\x1b[2J.dotx");
  fs::copy_file(P("a.dotx"), named);
  const std::string shown = text::EscapeForDisplay(named.string());

  const auto missing = testing::RunReportword({"--check-template", P("gone\n.dotx")});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.output.find('\n'), missing.output.size() - 1) << missing.output;
  EXPECT_NE(missing.output.find("gone\\n.dotx"), std::string::npos) << missing.output;

  const auto checked = testing::RunReportword({"--check-template", named});
  EXPECT_EQ(checked.status, 0) << checked.output;
  EXPECT_TRUE(checked.output.starts_with(shown + "\n  placeholder")) << checked.output;
  EXPECT_EQ(checked.output.find('\x1b'), std::string::npos);

  const auto run = testing::RunReportword(
      {"9520e000", named, named, P("report.txt"), P("no folder/\r1.docx"), P("2.docx")});
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_EQ(run.output.find('\n'), run.output.size() - 1) << run.output;
  EXPECT_NE(run.output.find("no folder/\\r1.docx"), std::string::npos) << run.output;
}

// Scripts read the JSON form: names that are not UTF-8 stay apart, the error
// is English under every locale, and findings come with fields of their own.
TEST_F(EntryEdgesTest, JsonKeepsNamesApartAndItsErrorsEnglish) {
  const fs::path first = P("t\xFF.dotx");
  const fs::path second = P("t\xFE.dotx");
  WriteFile(first, testing::BuildTemplate());
  const char* locale = testing::LocaleInstalled("de_DE.UTF-8") ? "de_DE.UTF-8" : "C";
  const auto result = testing::RunReportword({"--check-template", "--json", first, second}, locale);
  EXPECT_EQ(result.status, 1) << result.output;
  EXPECT_NE(result.standard_output.find("t\\udcff.dotx\", \"placeholders\""), std::string::npos)
      << result.standard_output;
  EXPECT_NE(result.standard_output.find("t\\udcfe.dotx\", \"error\": \"template \\\""),
            std::string::npos)
      << result.standard_output;
  EXPECT_NE(result.standard_output.find("\": cannot be read (No such file or directory)\""),
            std::string::npos)
      << result.standard_output;
  EXPECT_EQ(result.standard_output.find("\xEF\xBF\xBD"), std::string::npos);
}

// The check reads a template from one descriptor opened without waiting, so a
// fifo nobody writes to or a device is refused at once; a run opens templates
// the same way (a run's input check already refuses them). `timeout` only
// keeps a regression from hanging the suite.
TEST_F(EntryEdgesTest, TemplatesThatAreNotRegularFilesAreRefusedWithoutWaiting) {
  ASSERT_EQ(::mkfifo(P("fifo.dotx").c_str(), 0600), 0);
  const std::string not_regular =
      "is not a regular file (but a pipe, a device or a socket); name the template file itself";
  const std::string fifo = testing::ShellQuote(P("fifo.dotx").string());
  ASSERT_EQ(::mkfifo(P("stdin").c_str(), 0600), 0);
  // Opened for reading and writing, the fifo is a stdin with a writer that
  // never writes, like a pipe from a program that waits.
  const std::string waiting_stdin = " 0<>" + testing::ShellQuote(P("stdin").string());
  const std::pair<std::string, std::string> cases[] = {
      {fifo, P("fifo.dotx").string()},
      {"/dev/null", "/dev/null"},
      {"/dev/stdin" + waiting_stdin, "/dev/stdin"},
  };
  for (const auto& [arguments, named] : cases) {
    SCOPED_TRACE(arguments);
    const auto result =
        testing::RunCommand("LC_ALL=C timeout 20 " + Program() + " --check-template " + arguments);
    EXPECT_EQ(result.status, 1) << result.output;
    EXPECT_EQ(result.output, "Velam_Analyse: template \"" + named + "\": " + not_regular + "\n");
  }
}

// A report the check could not deliver is a failure, not a clean template.
TEST_F(EntryEdgesTest, CheckOutputThatCannotBeWrittenFails) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "/dev/full is missing on this system";
  const std::string check =
      "LC_ALL=C " + Program() + " --check-template " + testing::ShellQuote(P("a.dotx").string());
  for (const char* redirection : {" >/dev/full", " >&-", " --json >/dev/full"}) {
    SCOPED_TRACE(redirection);
    const auto result = testing::RunCommand("{ " + check + redirection + "; }");
    EXPECT_EQ(result.status, 1) << result.output;
    EXPECT_EQ(result.output, "Velam_Analyse: the report cannot be written to stdout\n");
  }
}

// A template whose parts inflate beyond the memory the process may have:
// the message names the template and the cause.
TEST_F(EntryEdgesTest, RunningOutOfMemoryNamesTheFileAndTheCause) {
#if defined(__SANITIZE_ADDRESS__) || REPORTWORD_CLANG_ASAN
  GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit this test sets";
#else
  testing::TemplateContents spec;
  spec.body = "<w:p><w:r><w:t>" + std::string(160u << 20, 'x') + "</w:t></w:r></w:p>";
  WriteFile(P("big.dotx"), testing::BuildTemplate(spec));
  const auto result =
      testing::RunCommand("ulimit -v 150000; LC_ALL=C " + Program() + " --check-template " +
                          testing::ShellQuote(P("big.dotx").string()));
  EXPECT_EQ(result.status, 1) << result.output;
  EXPECT_EQ(result.output, "Velam_Analyse: template \"" + P("big.dotx").string() +
                               "\": not enough memory to read it\n");
#endif
}

#endif  // !_WIN32

// A password-protected .docx is a compound file with the encrypted package in
// it. The smallest such file: a header and one directory sector.
std::string EncryptedPackageBytes() {
  std::string bytes(512 + 512, '\0');
  bytes.replace(0, 8, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
  bytes[24] = 0x3E;  // minor version
  bytes[26] = 0x03;  // major version 3: 512-byte sectors
  bytes[28] = '\xFE';
  bytes[29] = '\xFF';
  bytes[30] = 0x09;  // sector shift
  const auto entry = [&](std::size_t slot, std::u16string_view name, char type) {
    const std::size_t at = 512 + 128 * slot;
    for (std::size_t i = 0; i < name.size(); ++i) bytes[at + 2 * i] = static_cast<char>(name[i]);
    bytes[at + 64] = static_cast<char>((name.size() + 1) * 2);
    bytes[at + 66] = type;
  };
  entry(0, u"Root Entry", 5);
  entry(1, u"EncryptionInfo", 2);
  entry(2, u"EncryptedPackage", 2);
  return bytes;
}

// Named as such wherever it is met, also where LibreOffice could convert a
// legacy file.
TEST_F(EntryEdgesTest, EncryptedTemplateIsNamedAsSuch) {
  WriteFile(P("locked.docx"), EncryptedPackageBytes());
  // clang-format off
  const std::string message = "Velam_Analyse: template \"" + P("locked.docx").string() + "\": is encrypted (protected by a password), so it cannot be read; open it in the word processor, remove the password and save it again\n";
  // clang-format on
  for (const std::vector<fs::path>& words :
       {std::vector<fs::path>{"--check-template", P("locked.docx")},
        {"9520e000", P("locked.docx"), P("a.dotx"), P("report.txt"), P("o1.docx"), P("o2.docx")}}) {
    auto result = testing::RunReportword(words);
    std::erase(result.output, '\r');
    EXPECT_EQ(result.status, 1) << result.output;
    EXPECT_EQ(result.output, message);
  }
}

}  // namespace
}  // namespace reportword
