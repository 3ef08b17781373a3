#include "job/command_line.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "recording_word_processor.h"

namespace reportword {
namespace {

using fakes::RecordingMessageDisplay;

constexpr const char* kFivePaths =
    R"("/t/a.dotx" "/t/b.dotx" "/r/report.txt" "/o/1.docx" "/o/2.docx")";

// `paths`: template 1, template 2, report, target 1, target 2.
struct ParseCase {
  const char* name;
  std::string argument_text;
  CommandLineResult result;
  const char* network_name;
  bool road_mode;
  std::array<std::string, 5> paths;
};

const std::array<std::string, 5> kNoPaths{"", "", "", "", ""};
const std::array<std::string, 5> kUsualPaths{"/t/a.dotx", "/t/b.dotx", "/r/report.txt", "/o/1.docx",
                                             "/o/2.docx"};

std::string With(const char* first_word) {
  return std::string(first_word) + " " + kFivePaths;
}

TEST(CommandLineTest, ParsesArgumentText) {
  using enum CommandLineResult;
  const ParseCase cases[] = {
      {"empty", "", kEmpty, "", false, kNoPaths},
      {"blanks only", "   ", kEmpty, "", false, kNoPaths},
      {"a tab is not a blank", "\t", kIncomplete, "", false, kNoPaths},
      {"code alone", "9520e000", kIncomplete, "Niederspannungsnetz", false, kNoPaths},
      {"high voltage", With("9500E000"), kComplete, "Hochspannung", false, kUsualPaths},
      {"keyword", With("STRAßENSANIERUNG"), kComplete, "", true, kUsualPaths},
      {"keyword with SS", With("STRASSENSANIERUNG"), kComplete, "", true, kUsualPaths},
      {"keyword with capital sharp s", With("STRAẞENSANIERUNG"), kComplete, "", true, kUsualPaths},
      {"keyword misspelt", With("STRASENSANIERUNG"), kComplete, "", false, kUsualPaths},
      {"keyword with suffix", With("STRAßENSANIERUNGEN"), kComplete, "", false, kUsualPaths},
      {"unknown code", With("9999e000"), kComplete, "", false, kUsualPaths},
      {"four paths",
       R"(9520e000 "/t/a" "/t/b" "/r" "/o/1")",
       kIncomplete,
       "Niederspannungsnetz",
       false,
       {"/t/a", "/t/b", "/r", "/o/1", ""}},
      {"blanks inside quotes trimmed, inner blanks kept",
       R"(9520e000 "  /t/my a.dotx " "/t/b" "/r" "/o/1" " /o/2 ")",
       kComplete,
       "Niederspannungsnetz",
       false,
       {"/t/my a.dotx", "/t/b", "/r", "/o/1", "/o/2"}},
      {"empty quotes still count", R"(9520e000 "" "" "" "" "")", kComplete, "Niederspannungsnetz",
       false, kNoPaths},
      {"fifth path without closing quote",
       R"(9520e000 "/t/a" "/t/b" "/r" "/o/1" "/o/2 x)",
       kComplete,
       "Niederspannungsnetz",
       false,
       {"/t/a", "/t/b", "/r", "/o/1", "/o/2 x"}},
      {"text after the fifth path",
       R"(9520e000 "/t/a" "/t/b" "/r" "/o/1" "/o/2"  tail)",
       kComplete,
       "Niederspannungsnetz",
       false,
       {"/t/a", "/t/b", "/r", "/o/1", "/o/2  tail"}},
      {"sixth path ignored",
       R"(9520e000 "/t/a" "/t/b" "/r" "/o/1" "/o/2" "/x/6" more)",
       kComplete,
       "Niederspannungsnetz",
       false,
       {"/t/a", "/t/b", "/r", "/o/1", "/o/2"}},
      {"word between paths joins the one before",
       R"(9520e000 "/t/a"  junk "/t/b" "/r" "/o/1" "/o/2")",
       kComplete,
       "Niederspannungsnetz",
       false,
       {"/t/a  junk", "/t/b", "/r", "/o/1", "/o/2"}},
      {"no code", kFivePaths, kComplete, "", false, kUsualPaths},
      {"quoted code shifts the paths",
       With("\"9520e000\""),
       kComplete,
       "",
       false,
       {"9520e000", "/t/a.dotx", "/t/b.dotx", "/r/report.txt", "/o/1.docx"}},
      {"leading blank empties the first word", " " + With("9520e000"), kComplete, "", false,
       kUsualPaths},
      {"tab after the code belongs to the first word", "9520e000\t" + std::string(kFivePaths),
       kComplete, "", false, kUsualPaths},
      {"non-ASCII path kept",
       R"(9520e000 "/t/Straße Ü.dotx" "/t/b" "/r" "/o/1" "/o/2")",
       kComplete,
       "Niederspannungsnetz",
       false,
       {"/t/Straße Ü.dotx", "/t/b", "/r", "/o/1", "/o/2"}},
  };
  for (const ParseCase& c : cases) {
    SCOPED_TRACE(c.name);
    JobState job;
    RecordingMessageDisplay messages;
    EXPECT_EQ(ParseCommandLine(c.argument_text, job, messages), c.result);
    EXPECT_EQ(job.NetworkName, c.network_name);
    EXPECT_EQ(job.RoadRenovationMode, c.road_mode);
    EXPECT_EQ((std::array<std::string, 5>{job.TemplatePath1, job.TemplatePath2, job.ReportFilePath,
                                          job.TargetPath1, job.TargetPath2}),
              c.paths);
    EXPECT_TRUE(messages.shown.empty());
  }
}

TEST(CommandLineTest, WindowsCommandLineLosesOnlyTheProgramName) {
  struct Case {
    std::u16string command_line;
    std::string argument_text;
  } cases[] = {
      {u"reportword.exe 9520e000 \"C:\\a b\\t.dotx\"", "9520e000 \"C:\\a b\\t.dotx\""},
      {u"\"C:\\Program Files\\rw\\reportword.exe\" 9520e000 \"x\"", "9520e000 \"x\""},
      {u"\"C:\\rw\\reportword.exe\"9520e000", "9520e000"},  // no blank after a quoted name
      {u"reportword.exe\t  STRA\u00DFENSANIERUNG \"Stra\u00DFe.dotx\"",
       "STRAßENSANIERUNG \"Straße.dotx\""},
      {u"reportword.exe", ""},
      {u"\"unterminated name", ""},
      {u"", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ArgumentTextFromWindowsCommandLine(c.command_line), c.argument_text);
  }
}

}  // namespace
}  // namespace reportword
