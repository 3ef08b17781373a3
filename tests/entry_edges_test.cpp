// What a careless or hostile caller meets at the program's edges, through the
// executable: arguments the argument text cannot carry, names that would break
// a message line, templates that are not files or cannot be read, reports that
// are not reports, and output that cannot be written.
#include <gmock/gmock.h>
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
using test::ReadFile;
using test::WriteFile;
using ::testing::HasSubstr;
using ::testing::Not;

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

  test::TempDir dir_;
};

TEST(DisplayEscapingTest, EveryControlCharacterAndStrayByteIsEscaped) {
  const std::pair<std::string, std::string> cases[] = {
      {"C:\\Vorlagen\\Prüf ordner\\a.dotx", "C:\\Vorlagen\\Prüf ordner\\a.dotx"},
      {"a\nb\rc\td", "a\\nb\\rc\\td"},
      {"\x1b[31mred\x7f", "\\x1b[31mred\\x7f"},
      {std::string("nul\0x", 5), "nul\\x00x"},
      {"c1 \xC2\x85 line \xE2\x80\xA8 para \xE2\x80\xA9", "c1 \\u0085 line \\u2028 para \\u2029"},
      {"raw \xFF\xC3 end", "raw \\xff\\xc3 end"},  // two different stray bytes print differently
      {"straße €", "straße €"},
  };
  for (const auto& [raw, shown] : cases) EXPECT_EQ(text::EscapeForDisplay(raw), shown) << shown;
}

#ifndef _WIN32

// Refusals through the executable: one line on stderr with its exit status,
// and nothing written. `prefix` runs first (a redirection, a time limit that
// only keeps a regression from hanging the suite).
TEST_F(EntryEdgesTest, RefusalsAreOneLineAndWriteNothing) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "/dev/full is missing on this system";
  ASSERT_EQ(::mkfifo(P("fifo.dotx").c_str(), 0600), 0);
  ASSERT_EQ(::mkfifo(P("stdin").c_str(), 0600), 0);
  const fs::path a = P("a.dotx"), named = P("x\ny\x1b[2J.dotx");
  fs::copy_file(a, named);
  // A report named `r.txt" "victim.txt` would make victim.txt the first target.
  const std::string sneaky = P("report.txt").string() + "\" \"" + P("victim.txt").string();
  const std::string quote = "Velam_Analyse: the argument \"",
                    template_named = "Velam_Analyse: template \"";
  const std::string quote_end =
      "\" holds a double quote, which would end its path early; rename the file or folder without "
      "the double quote\n";
  const std::string not_regular =
      "\": is not a regular file (but a pipe, a device or a socket); name the template file "
      "itself\n";
  const std::string unwritable = "Velam_Analyse: the report cannot be written to stdout\n";
  const std::string gone = text::EscapeForDisplay(P("gone\n.dotx").string()),
                    unsaved = text::EscapeForDisplay(P("no folder/\r1.docx").string());
  struct Case {
    const char* name;
    std::string prefix;
    std::vector<fs::path> words;
    int status;
    std::string output;
  };
  const Case cases[] = {
      {"a double quote in the report",
       "",
       {"9520e000", a, a, sneaky, P("o1.docx"), P("o2.docx")},
       2,
       quote + sneaky + quote_end},
      {"a double quote in the last target",
       "",
       {"9520e000", a, a, P("report.txt"), P("o1.docx"), "x\"y.docx"},
       2,
       quote + "x\"y.docx" + quote_end},
      // A line break or an escape sequence in a name stays inside its one line.
      {"a line break in a missing template's name",
       "",
       {"--check-template", P("gone\n.dotx")},
       1,
       template_named + gone + "\": cannot be read (no such file or folder)\n"},
      {"control characters in the names of a run",
       "",
       {"9520e000", named, named, P("report.txt"), P("no folder/\r1.docx"), P("2.docx")},
       1,
       "Velam_Analyse: cannot save \"" + unsaved + "\": the folder does not exist\n"},
      // The check opens a template without waiting, so a fifo nobody writes to
      // or a device is refused at once, as a run's input check refuses them.
      {"a fifo as template",
       "timeout 20 ",
       {"--check-template", P("fifo.dotx")},
       1,
       template_named + P("fifo.dotx").string() + not_regular},
      {"a device as template",
       "timeout 20 ",
       {"--check-template", "/dev/null"},
       1,
       template_named + "/dev/null" + not_regular},
      // Opened for reading and writing, the fifo is a stdin whose writer never writes.
      {"a waiting stdin as template",
       "0<>" + test::ShellQuote(P("stdin").string()) + " timeout 20 ",
       {"--check-template", "/dev/stdin"},
       1,
       template_named + "/dev/stdin" + not_regular},
      // A report the check could not deliver is a failure, not a clean template.
      {"the check's report to a full disk", ">/dev/full ", {"--check-template", a}, 1, unwritable},
      {"the check's report to a closed stdout", ">&- ", {"--check-template", a}, 1, unwritable},
      {"the JSON report to a full disk",
       ">/dev/full ",
       {"--check-template", "--json", a},
       1,
       unwritable},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const test::CommandResult result = test::RunReportword(c.words, "C", c.prefix);
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(result.output, c.output);
    EXPECT_EQ(ReadFile(P("victim.txt")), "keep me");
    EXPECT_FALSE(fs::exists(P("o1.docx")));
  }
  // The check's report names a template in one line too.
  const auto checked = test::RunReportword({"--check-template", named});
  EXPECT_EQ(checked.status, 0) << checked.output;
  EXPECT_TRUE(
      checked.output.starts_with(text::EscapeForDisplay(named.string()) + "\n  placeholder"))
      << checked.output;
}

// Scripts read the JSON form: names that are not UTF-8 stay apart, and the
// error is English under every locale.
TEST_F(EntryEdgesTest, JsonKeepsNamesApartAndItsErrorsEnglish) {
  const fs::path first = P("t\xFF.dotx"), second = P("t\xFE.dotx");
  WriteFile(first, test::BuildTemplate());
  const char* locale = test::LocaleInstalled("de_DE.UTF-8") ? "de_DE.UTF-8" : "C";
  const auto result = test::RunReportword({"--check-template", "--json", first, second}, locale);
  EXPECT_EQ(result.status, 1) << result.output;
  for (const char* expected :
       {"t\\udcff.dotx\", \"placeholders\"", "t\\udcfe.dotx\", \"error\": \"template \\\"",
        "\": cannot be read (no such file or folder)\""}) {
    EXPECT_THAT(result.standard_output, HasSubstr(expected)) << expected << "\n"
                                                             << result.standard_output;
  }
  EXPECT_THAT(result.standard_output, Not(HasSubstr("\xEF\xBF\xBD")));
}

// A template whose parts inflate beyond the memory the process may have:
// the message names the template and the cause.
TEST_F(EntryEdgesTest, RunningOutOfMemoryNamesTheFileAndTheCause) {
#if defined(__SANITIZE_ADDRESS__) || REPORTWORD_CLANG_ASAN
  GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit this test sets";
#else
  test::TemplateContents spec;
  spec.body = "<w:p><w:r><w:t>" + std::string(160u << 20, 'x') + "</w:t></w:r></w:p>";
  WriteFile(P("big.dotx"), test::BuildTemplate(spec));
  const auto result =
      test::RunReportword({"--check-template", P("big.dotx")}, "C", "ulimit -v 150000; ");
  EXPECT_EQ(result.status, 1) << result.output;
  EXPECT_EQ(result.output, "Velam_Analyse: template \"" + P("big.dotx").string() +
                               "\": not enough memory to read it\n");
#endif
}

#endif  // !_WIN32

// A password-protected .docx is a compound file with the encrypted package in
// it. The smallest such file: a header, one directory sector (sector 0) and
// the allocation table (sector 1).
std::string EncryptedPackageBytes(std::u16string_view info = u"EncryptionInfo") {
  std::string bytes(3 * 512, '\0');
  bytes.replace(0, 8, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
  bytes[24] = 0x3E;  // minor version
  bytes[26] = 0x03;  // major version 3: 512-byte sectors
  bytes[28] = '\xFE';
  bytes[29] = '\xFF';
  bytes[30] = 0x09;  // sector shift
  const auto le32 = [&](std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
  };
  le32(44, 1);           // one sector of the allocation table,
  le32(48, 0);           // the directory in sector 0,
  le32(60, 0xFFFFFFFE);  // no mini table,
  le32(68, 0xFFFFFFFE);  // no further table sectors,
  le32(76, 1);           // the table in sector 1
  for (std::size_t slot = 0; slot < 128; ++slot) le32(1024 + 4 * slot, 0xFFFFFFFF);
  le32(1024, 0xFFFFFFFE);  // the directory is one sector long
  le32(1028, 0xFFFFFFFD);  // sector 1 holds the table
  const auto entry = [&](std::size_t slot, std::u16string_view name, char type) {
    const std::size_t at = 512 + 128 * slot;
    for (std::size_t i = 0; i < name.size(); ++i) bytes[at + 2 * i] = static_cast<char>(name[i]);
    bytes[at + 64] = static_cast<char>((name.size() + 1) * 2);
    bytes[at + 66] = type;
  };
  entry(0, u"Root Entry", 5);
  entry(1, info, 2);
  entry(2, u"EncryptedPackage", 2);
  return bytes;
}

// Named as such wherever it is met, also where LibreOffice could convert a
// legacy file.
TEST_F(EntryEdgesTest, EncryptedTemplateIsNamedAsSuch) {
  WriteFile(P("locked.docx"), EncryptedPackageBytes());
  const std::string message =
      "Velam_Analyse: template \"" + P("locked.docx").string() +
      "\": is encrypted (protected by a password), so it cannot be read; open it in the word "
      "processor, remove the password and save it again\n";
  for (const std::vector<fs::path>& words :
       {std::vector<fs::path>{"--check-template", P("locked.docx")},
        {"9520e000", P("locked.docx"), P("a.dotx"), P("report.txt"), P("o1.docx"), P("o2.docx")}}) {
    auto result = test::RunReportword(words);
    std::erase(result.output, '\r');
    EXPECT_EQ(result.status, 1) << result.output;
    EXPECT_EQ(result.output, message);
  }
  // A stream of another name but the same length is no encryption.
  WriteFile(P("locked.docx"), EncryptedPackageBytes(u"EncryptionInf0"));
  const auto other = test::RunReportword({"--check-template", P("locked.docx")});
  EXPECT_THAT(other.output, Not(HasSubstr("is encrypted")));
}

}  // namespace
}  // namespace reportword
