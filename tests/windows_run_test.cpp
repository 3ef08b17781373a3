// What a caller on Windows meets, through the executable: inputs held open by
// another program.
#ifdef _WIN32
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "test_support.h"

namespace reportword {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using testing::ReadFile;
using testing::WriteFile;

constexpr const char* kReport = "Export\r\nb7\tHauptweg 4\tA1\tA2\tA3\r\n\r\nKopf\r\nC1\tC2\r\n";

// The templates and the report in `folder`, as every run here has them.
void PutInputs(const fs::path& folder) {
  fs::create_directories(folder);
  const fs::path examples = fs::path(REPORTWORD_SOURCE_DIR) / "examples";
  fs::copy_file(examples / "netzanalyse-1.dotx", folder / "a.dotx",
                fs::copy_options::overwrite_existing);
  fs::copy_file(examples / "netzanalyse-2.dotx", folder / "b.dotx",
                fs::copy_options::overwrite_existing);
  WriteFile(folder / "report.txt", kReport);
}

std::vector<fs::path> StandardRun(const fs::path& folder) {
  return {"9520e000",           folder / "a.dotx",   folder / "b.dotx", folder / "report.txt",
          folder / "out1.docx", folder / "out2.docx"};
}

// Opens `file` as a word processor holding a document does, sharing nothing.
HANDLE HoldWithoutSharing(const fs::path& file) {
  return CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

// A template or report that another program holds open without sharing is
// told with that cause, whole in the reader's language.
TEST(WindowsRunTest, AnInputHeldOpenIsToldWithItsCauseInTheReadersLanguage) {
  testing::TempDir dir;
  PutInputs(dir.path());
  const std::string a = (dir / "a.dotx").string(), r = (dir / "report.txt").string();
  const std::string en = "another program holds the file open; close it there and run again";
  const std::string de =
      "ein anderes Programm hält die Datei geöffnet; schließen Sie sie dort und starten Sie den "
      "Lauf erneut";
  const std::tuple<fs::path, const char*, std::string> cases[] = {
      {dir / "a.dotx", "C", "template \"" + a + "\": cannot be read (" + en + ")"},
      {dir / "a.dotx", "de_DE.UTF-8",
       "Vorlage \"" + a + "\": kann nicht gelesen werden (" + de + ")"},
      {dir / "report.txt", "C", "report file \"" + r + "\": cannot be opened: " + en},
      {dir / "report.txt", "de_DE.UTF-8",
       "Berichtsdatei \"" + r + "\": kann nicht geöffnet werden: " + de},
  };
  for (const auto& [held_file, locale, message] : cases) {
    HANDLE held = HoldWithoutSharing(held_file);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    testing::CommandResult result = testing::RunReportword(StandardRun(dir.path()), locale);
    CloseHandle(held);
    std::erase(result.output, '\r');
    EXPECT_EQ(result.status, 1) << result.output;
    EXPECT_EQ(result.output, "Velam_Analyse: " + message + "\n");
    EXPECT_FALSE(fs::exists(dir / "out1.docx"));
  }
}

}  // namespace
}  // namespace reportword

#endif  // _WIN32
