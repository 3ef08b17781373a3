#include "app/command_line.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "recording_word_processor.h"

namespace reportword {
namespace {

using fakes::RecordingMessageDisplay;

constexpr const char* kFivePaths =
    R"("/t/a.dotx" "/t/b.dotx" "/r/report.txt" "/o/1.docx" "/o/2.docx")";

struct ParseCase {
  const char* name;
  std::string argument_text;
  CommandLineResult result;
  const char* network_name;
  bool road_mode;
  std::array<const char*, 5> paths;  // template 1, template 2, report, target 1, target 2
};

const std::array<const char*, 5> kNoPaths{"", "", "", "", ""};
const std::array<const char*, 5> kUsualPaths{"/t/a.dotx", "/t/b.dotx", "/r/report.txt", "/o/1.docx",
                                             "/o/2.docx"};

std::string With(const char* first_word) {
  return std::string(first_word) + " " + kFivePaths;
}

TEST(CommandLineTest, ParsesArgumentText) {
  const ParseCase cases[] = {
      {"empty", "", CommandLineResult::kEmpty, "", false, kNoPaths},
      {"blanks only", "   ", CommandLineResult::kEmpty, "", false, kNoPaths},
      {"a tab is not a blank", "\t", CommandLineResult::kIncomplete, "", false, kNoPaths},
      {"code alone", "9520e000", CommandLineResult::kIncomplete, "Niederspannungsnetz", false,
       kNoPaths},
      {"upper-case code", With("9520E000"), CommandLineResult::kComplete, "Niederspannungsnetz",
       false, kUsualPaths},
      {"signal cable", With("9570e000"), CommandLineResult::kComplete, "Signalkabelnetz", false,
       kUsualPaths},
      {"high voltage", With("9500E000"), CommandLineResult::kComplete, "Hochspannung", false,
       kUsualPaths},
      {"keyword", With("STRAßENSANIERUNG"), CommandLineResult::kComplete, "", true, kUsualPaths},
      {"keyword lower case", With("straßensanierung"), CommandLineResult::kComplete, "", true,
       kUsualPaths},
      {"keyword with SS", With("STRASSENSANIERUNG"), CommandLineResult::kComplete, "", true,
       kUsualPaths},
      {"keyword with ss", With("Strassensanierung"), CommandLineResult::kComplete, "", true,
       kUsualPaths},
      {"keyword with capital sharp s", With("STRAẞENSANIERUNG"), CommandLineResult::kComplete, "",
       true, kUsualPaths},
      {"keyword misspelt", With("STRASENSANIERUNG"), CommandLineResult::kComplete, "", false,
       kUsualPaths},
      {"keyword with suffix", With("STRAßENSANIERUNGEN"), CommandLineResult::kComplete, "", false,
       kUsualPaths},
      {"unknown code", With("9999e000"), CommandLineResult::kComplete, "", false, kUsualPaths},
      {"four paths",
       R"(9520e000 "/t/a" "/t/b" "/r" "/o/1")",
       CommandLineResult::kIncomplete,
       "Niederspannungsnetz",
       false,
       {"/t/a", "/t/b", "/r", "/o/1", ""}},
      {"blanks inside quotes trimmed, inner blanks kept",
       R"(9520e000 "  /t/my a.dotx " "/t/b" "/r" "/o/1" " /o/2 ")",
       CommandLineResult::kComplete,
       "Niederspannungsnetz",
       false,
       {"/t/my a.dotx", "/t/b", "/r", "/o/1", "/o/2"}},
      {"empty quotes still count", R"(9520e000 "" "" "" "" "")", CommandLineResult::kComplete,
       "Niederspannungsnetz", false, kNoPaths},
      {"fifth path without closing quote",
       R"(9520e000 "/t/a" "/t/b" "/r" "/o/1" "/o/2 x)",
       CommandLineResult::kComplete,
       "Niederspannungsnetz",
       false,
       {"/t/a", "/t/b", "/r", "/o/1", "/o/2 x"}},
      {"text after the fifth path",
       R"(9520e000 "/t/a" "/t/b" "/r" "/o/1" "/o/2"  tail)",
       CommandLineResult::kComplete,
       "Niederspannungsnetz",
       false,
       {"/t/a", "/t/b", "/r", "/o/1", "/o/2  tail"}},
      {"sixth path ignored",
       R"(9520e000 "/t/a" "/t/b" "/r" "/o/1" "/o/2" "/x/6" more)",
       CommandLineResult::kComplete,
       "Niederspannungsnetz",
       false,
       {"/t/a", "/t/b", "/r", "/o/1", "/o/2"}},
      {"word between paths joins the one before",
       R"(9520e000 "/t/a"  junk "/t/b" "/r" "/o/1" "/o/2")",
       CommandLineResult::kComplete,
       "Niederspannungsnetz",
       false,
       {"/t/a  junk", "/t/b", "/r", "/o/1", "/o/2"}},
      {"no code", kFivePaths, CommandLineResult::kComplete, "", false, kUsualPaths},
      {"quoted code shifts the paths",
       With("\"9520e000\""),
       CommandLineResult::kComplete,
       "",
       false,
       {"9520e000", "/t/a.dotx", "/t/b.dotx", "/r/report.txt", "/o/1.docx"}},
      {"leading blank empties the first word", " " + With("9520e000"), CommandLineResult::kComplete,
       "", false, kUsualPaths},
      {"tab after the code belongs to the first word", "9520e000\t" + std::string(kFivePaths),
       CommandLineResult::kComplete, "", false, kUsualPaths},
      {"non-ASCII path kept",
       R"(9520e000 "/t/Straße Ü.dotx" "/t/b" "/r" "/o/1" "/o/2")",
       CommandLineResult::kComplete,
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
    EXPECT_EQ(job.TemplatePath1, c.paths[0]);
    EXPECT_EQ(job.TemplatePath2, c.paths[1]);
    EXPECT_EQ(job.ReportFilePath, c.paths[2]);
    EXPECT_EQ(job.TargetPath1, c.paths[3]);
    EXPECT_EQ(job.TargetPath2, c.paths[4]);
    EXPECT_TRUE(messages.shown.empty());
    // Reading the command line never touches the rest of the job state.
    EXPECT_TRUE(job.BuildNumber.empty() && job.ObjectDesignation.empty());
    EXPECT_TRUE(job.TableText1.empty() && job.TableText2.empty());
    EXPECT_FALSE(job.FileSystem || job.WordApp);
  }
}

std::string QuotedFields(int count) {
  std::string text = "9520e000";
  for (int i = 0; i < count; ++i) text += " \"\"";
  return text;
}

TEST(CommandLineTest, QuotedFieldCountOverflowsAtTheLimit) {
  {
    JobState job;
    RecordingMessageDisplay messages;
    EXPECT_EQ(ParseCommandLine(QuotedFields(32767), job, messages), CommandLineResult::kComplete);
    EXPECT_TRUE(messages.shown.empty());
  }
  JobState job;
  RecordingMessageDisplay messages;
  EXPECT_EQ(ParseCommandLine(QuotedFields(32768), job, messages), CommandLineResult::kIncomplete);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_NE(messages.shown[0].prompt.find("Overflow"), std::string::npos);
  EXPECT_EQ(messages.shown[0].style, MessageStyle::kPlain);
}

TEST(CommandLineTest, BuildArgumentTextQuotesEveryArgumentButTheFirst) {
  struct Case {
    std::vector<const char*> argv;
    std::string expected;
  } cases[] = {
      {{"reportword"}, ""},
      {{"reportword", "9520e000"}, "9520e000"},
      {{"reportword", "9520e000", "/t/my a.dotx", ""}, R"(9520e000 "/t/my a.dotx" "")"},
      {{"reportword", "/t/a", "/t/b"}, R"(/t/a "/t/b")"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BuildArgumentText(static_cast<int>(c.argv.size()), c.argv.data()), c.expected);
  }
  EXPECT_EQ(BuildArgumentText(0, nullptr), "");
}

TEST(CommandLineTest, BuiltArgumentTextParsesBackToTheArguments) {
  const char* argv[] = {"reportword", "STRASSENSANIERUNG", "/t/a b.dotx", "/t/b.dotx",
                        "/r/r.txt",   "/o/1.docx",         "/o/2.docx"};
  JobState job;
  RecordingMessageDisplay messages;
  ASSERT_EQ(ParseCommandLine(BuildArgumentText(7, argv), job, messages),
            CommandLineResult::kComplete);
  EXPECT_TRUE(job.RoadRenovationMode);
  EXPECT_EQ(job.TemplatePath1, "/t/a b.dotx");
  EXPECT_EQ(job.TargetPath2, "/o/2.docx");
}

}  // namespace
}  // namespace reportword

namespace reportword {
namespace {

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
