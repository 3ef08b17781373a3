#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "generation/document_plan.h"
#include "generation/header_placeholders.h"
#include "generation/input_validation.h"
#include "generation/report_generator.h"
#include "job/generation_error.h"
#include "recording_word_processor.h"

namespace reportword {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

// Line 1 is discarded; the first section runs to the first blank line, whose
// next line is skipped too; the rest is the second section.
constexpr const char* kNetworkReport =
    "Analyse\r\n"
    "b7-x\tHauptweg 4\tA1\tA2\tA3\r\n"
    "\t\tB1\tB2\tB3\r\n"
    "\r\n"
    "Kopf\r\n"
    "C1\tC2\r\n";
constexpr const char* kRoadReport =
    "Analyse\r\n"
    "b7\tV2\tK1\tV4\tV5\r\n"
    "\r\n"
    "Kopf\r\n"
    "X\tY\r\n";

std::string Replace(const std::string& placeholder, const std::string& with, bool by_reference) {
  return "Replace(" + placeholder + ", " + with + (by_reference ? ", ref)" : ")");
}

// The steps of a run, without the input checks' file queries.
std::vector<std::string> WordCallsOf(const fakes::CallLog& log) {
  std::vector<std::string> lines;
  for (const std::string& line : log.calls) {
    if (!line.starts_with("FileExists") && !line.starts_with("SameFile") &&
        !line.starts_with("IdentityOf") && line != "CreateFileSystem")
      lines.push_back(line);
  }
  return lines;
}

class GenerationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    directory_ = std::filesystem::path(::testing::TempDir()) /
                 (std::string("reportword_") + info->test_suite_name() + "_" + info->name());
    std::filesystem::create_directories(directory_);
    report_path_ = (directory_ / "report.txt").string();
    log().existing_files = {"/t/a.dotx", "/t/b.dotx", report_path_};
  }
  void TearDown() override { std::filesystem::remove_all(directory_); }

  void WriteReport(const std::string& content) {
    std::ofstream(report_path_, std::ios::binary) << content;
  }

  JobState Job(const char* network_name, bool road_mode) {
    JobState job;
    job.NetworkName = network_name;
    job.RoadRenovationMode = road_mode;
    job.TemplatePath1 = "/t/a.dotx";
    job.TemplatePath2 = "/t/b.dotx";
    job.ReportFilePath = report_path_;
    job.TargetPath1 = "/o/1.docx";
    job.TargetPath2 = "/o/2.docx";
    return job;
  }
  JobState NetworkJob() {
    WriteReport(kNetworkReport);
    return Job("Niederspannungsnetz", false);
  }
  JobState RoadJob() {
    WriteReport(kRoadReport);
    return Job("", true);
  }

  std::vector<std::string> WordCalls() const { return WordCallsOf(log()); }

  fakes::CallLog& log() const { return *backend_.log; }

  fakes::RecordingBackend backend_;
  fakes::FixedDateSource dates_;
  fakes::RecordingMessageDisplay messages_;
  GenerationContext context_{backend_, dates_, messages_};
  std::filesystem::path directory_;
  std::string report_path_;
};

TEST_F(GenerationTest, NetworkRunMakesBothDocumentsInOrder) {
  log().header_count = 3;
  JobState job = NetworkJob();
  ASSERT_EQ(GenerateReports(job, context_), GenerationOutcome::kDocumentsWritten);

  const std::string date = Replace("<Datum>", "06-Dec-2026", false);
  const std::string designation =
      Replace("<objektbezeichnung>", "Hauptweg 4 Niederspannungsnetz", false);
  EXPECT_THAT(
      WordCalls(),
      ElementsAre("CheckSaveTarget(/o/1.docx)", "CheckSaveTarget(/o/2.docx)", "CreateApplication",
                  "Expect(/t/a.dotx > /o/1.docx, /t/b.dotx > /o/2.docx)",
                  "Create(/t/a.dotx, alerts off)", designation, "HeaderCount", date, date, date,
                  Replace("<Bau-Nummer>", "B7-x", true),
                  "Table(A1\\tA2\\tA3\\r\\nB1\\tB2\\tB3\\r\\n, 3)", "SaveAs(/o/1.docx)", "Close",
                  "Create(/t/b.dotx)", designation, date, Replace("<Bau-Nummer>", "B7-x", true),
                  "Table(C1\\tC2\\r\\n, 2, selects)", "SaveAs(/o/2.docx)", "Close", "Quit"));
  EXPECT_EQ(dates_.calls, 4);  // formed anew for every date replacement
  EXPECT_FALSE(job.WordApp);
}

TEST_F(GenerationTest, RoadRunDiffersInPlaceholderLeadingRowAndColumnWidths) {
  log().header_count = 0;
  JobState job = RoadJob();
  ASSERT_EQ(GenerateReports(job, context_), GenerationOutcome::kDocumentsWritten);

  // Document 1 has no header, so no date; the text stays as the job holds it.
  EXPECT_THAT(
      WordCalls(),
      ElementsAre("CheckSaveTarget(/o/1.docx)", "CheckSaveTarget(/o/2.docx)", "CreateApplication",
                  "Expect(/t/a.dotx > /o/1.docx, /t/b.dotx > /o/2.docx)",
                  "Create(/t/a.dotx, alerts off)", Replace("<objektbezeichnung>", " K1", true),
                  "HeaderCount", Replace("<filename>", "B7", true),
                  "Table(V2\\tV4\\tV5\\r\\n, 3, empty row)", "SaveAs(/o/1.docx)", "Close",
                  "Create(/t/b.dotx)", Replace("<objektbezeichnung>", " K1", true),
                  Replace("<Datum>", "06-Dec-2026", false), Replace("<filename>", "B7", true),
                  "Table(X\\tY\\r\\n, 2 250 150, empty row, selects)", "SaveAs(/o/2.docx)", "Close",
                  "Quit"));
  EXPECT_EQ(job.TableText1, "V2\tV4\tV5\r\n");
}

TEST_F(GenerationTest, InputChecksRunInOrderAndStopEverythingOnFailure) {
  const std::vector<std::string> inputs = {"/t/a.dotx", "/t/b.dotx", "R"};  // R: the report
  struct Case {
    const char* name;
    std::vector<std::string> existing;
    const char *target1, *target2;
    std::vector<std::pair<std::string, std::string>> same_files;
    const char* message;
  } cases[] = {
      {"no template", {}, "/o/1.docx", "/o/2.docx", {}, kTemplateMissingMessage},
      {"second template missing", {"/t/a.dotx"}, "/o/1", "/o/2", {}, kTemplateMissingMessage},
      {"report missing", {"/t/a.dotx", "/t/b.dotx"}, "/o/1", "/o/2", {}, kReportMissingMessage},
      {"first target blank", inputs, "   ", "/o/2", {}, kTargetMissingMessage},
      {"second target empty", inputs, "/o/1", "", {}, kTargetMissingMessage},
      {"target is a template",
       inputs,
       "/o/1",
       "/o/2",
       {{"/o/2", "/t/a.dotx"}},
       kTargetIsInputMessage},
      {"target is the report", inputs, "/o/1", "/o/2", {{"/o/1", "R"}}, kTargetIsInputMessage},
      {"both targets the same", inputs, "/o/x", "/o/x", {}, kTargetIsInputMessage},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fakes::RecordingBackend backend;
    fakes::RecordingMessageDisplay messages;
    GenerationContext context{backend, dates_, messages};
    for (std::string path : c.existing) {
      backend.log->existing_files.insert(path == "R" ? report_path_ : path);
    }
    for (auto [a, b] : c.same_files)
      backend.log->same_files.insert({a, b == "R" ? report_path_ : b});
    WriteReport(kNetworkReport);
    JobState job = Job("Hochspannung", false);
    job.TargetPath1 = c.target1;
    job.TargetPath2 = c.target2;

    EXPECT_EQ(GenerateReports(job, context), GenerationOutcome::kInputCheckFailed);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].prompt, c.message);
    EXPECT_EQ(messages.shown[0].style, MessageStyle::kInformation);
    // Nothing read, no word processor.
    EXPECT_EQ(backend.log->Count("CreateApplication"), 0);
    EXPECT_FALSE(job.WordApp);
    EXPECT_TRUE(job.TableText1.empty() && job.BuildNumber.empty());
  }
}

TEST_F(GenerationTest, InputsAreUsedTrimmedButTargetsAsGiven) {
  JobState job = NetworkJob();
  job.TemplatePath1 = " /t/my a.dotx  ";
  job.ReportFilePath = "  " + report_path_ + " ";
  job.TargetPath2 = " /o/2 b.docx  ";
  log().existing_files.insert("/t/my a.dotx");
  ASSERT_EQ(GenerateReports(job, context_), GenerationOutcome::kDocumentsWritten);
  EXPECT_EQ(log().Count("Create(/t/my a.dotx, alerts off)"), 1);
  EXPECT_EQ(log().Count("SaveAs( /o/2 b.docx  )"), 1);
  EXPECT_EQ(log().Count("SameFile( /o/2 b.docx  , /t/my a.dotx)"), 1);
}

// Two spellings that only the file system tells apart once target 1 exists
// (a folder that folds case): document 2 is not saved over document 1.
TEST_F(GenerationTest, TargetTwoIsComparedAgainOnceTargetOneExists) {
  log().same_once_saved.insert({"/o/1.docx", "/o/1.DOCX"});
  JobState job = NetworkJob();
  job.TargetPath1 = "/o/1.docx";
  job.TargetPath2 = "/o/1.DOCX";
  EXPECT_EQ(GenerateReports(job, context_), GenerationOutcome::kInputCheckFailed);
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_EQ(messages_.shown[0].prompt, kTargetIsInputMessage);
  EXPECT_EQ(log().Count("SaveAs(/o/1.DOCX)"), 0);
  EXPECT_EQ(log().calls.back(), "Quit");
}

// A save that finds its target turned into one of the run's own files since
// the checks ends the run as the input check would; document 1 stays.
TEST_F(GenerationTest, ASaveThatFindsItsTargetAnInputEndsAsTheInputCheck) {
  log().FailAt("SaveAs", 2, fakes::CallLog::Thrown::kTargetIsInput);
  JobState job = NetworkJob();
  EXPECT_EQ(GenerateReports(job, context_), GenerationOutcome::kInputCheckFailed);
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_EQ(messages_.shown[0].prompt, kTargetIsInputMessage);
  EXPECT_EQ(log().Count("Close"), 1);
  EXPECT_EQ(log().calls.back(), "Quit");
  EXPECT_FALSE(job.WordApp);
}

TEST_F(GenerationTest, FailureQuitsTheWordProcessorAndRethrowsAGenerationError) {
  constexpr auto kI = fakes::CallLog::Thrown::kInterfaceError,
                 kR = fakes::CallLog::Thrown::kRuntimeError, kInt = fakes::CallLog::Thrown::kInt;
  // `fail_at`: call prefix and occurrence; `remove_report`: the report passes the
  // (faked) check, then fails to open; `last_calls`: the calls just before the quit.
  struct Case {
    const char* name;
    std::vector<std::pair<const char*, int>> fail_at;
    fakes::CallLog::Thrown thrown;
    bool remove_report;
    std::vector<std::string> last_calls;
    int documents_saved;
    const char* message;
  } cases[] = {
      {"saving document 2",
       {{"SaveAs", 2}},
       kI,
       false,
       {"Table(C1\\tC2\\r\\n, 2, selects)", "SaveAs(/o/2.docx)"},
       1,
       "injected failure at SaveAs"},
      {"creating document 1",
       {{"Create(", 1}},
       kI,
       false,
       {"Expect(/t/a.dotx > /o/1.docx, /t/b.dotx > /o/2.docx)", "Create(/t/a.dotx, alerts off)"},
       0,
       "Create(/t/a.dotx"},
      {"a header search",
       {{"Replace(<Datum>", 1}},
       kI,
       false,
       {"HeaderCount", Replace("<Datum>", "06-Dec-2026", false)},
       0,
       "<Datum>"},
      {"checking a file", {{"FileExists", 2}}, kI, false, {"CreateApplication"}, 0, "FileExists"},
      {"a second target that no save could write",
       {{"CheckSaveTarget", 2}},
       kI,
       false,
       {"CheckSaveTarget(/o/2.docx)", "CreateApplication"},
       0,
       "CheckSaveTarget(/o/2.docx)"},
      {"reading the report", {}, kI, true, {"CreateApplication"}, 0, "report.txt"},
      {"quitting after a failure keeps the first error",
       {{"SaveAs", 1}, {"Quit", 1}},
       kI,
       false,
       {"Table(A1\\tA2\\tA3\\r\\nB1\\tB2\\tB3\\r\\n, 3)", "SaveAs(/o/1.docx)"},
       0,
       "SaveAs"},
      {"no exception class",
       {{"Table", 1}},
       kInt,
       false,
       {Replace("<Bau-Nummer>", "B7-x", true), "Table(A1\\tA2\\tA3\\r\\nB1\\tB2\\tB3\\r\\n, 3)"},
       0,
       "(passed on as it was)"},
      {"a failure outside the interface",
       {{"Table", 1}},
       kR,
       false,
       {Replace("<Bau-Nummer>", "B7-x", true), "Table(A1\\tA2\\tA3\\r\\nB1\\tB2\\tB3\\r\\n, 3)"},
       0,
       "injected runtime failure at Table"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fakes::RecordingBackend backend;
    GenerationContext context{backend, dates_, messages_};
    backend.log->existing_files = log().existing_files;
    for (const auto& [prefix, occurrence] : c.fail_at) {
      backend.log->FailAt(prefix, occurrence, c.thrown);
    }
    JobState job = NetworkJob();
    if (c.remove_report) std::filesystem::remove(report_path_);

    try {
      GenerateReports(job, context);
      ADD_FAILURE() << "no GenerationError";
    } catch (const GenerationError& error) {
      EXPECT_THAT(error.what(), HasSubstr(c.message));
    } catch (int) {
      EXPECT_STREQ(c.message, "(passed on as it was)");
    }
    EXPECT_FALSE(job.WordApp);
    const std::vector<std::string> calls = WordCallsOf(*backend.log);
    ASSERT_GE(calls.size(), c.last_calls.size() + 1);
    // What came last before the failure, then the quit and nothing else.
    std::vector<std::string> tail(calls.end() - static_cast<long>(c.last_calls.size()) - 1,
                                  calls.end() - 1);
    EXPECT_THAT(tail, ElementsAreArray(c.last_calls));
    EXPECT_EQ(calls.back(), "Quit");
    // Only completed documents were closed; the failing one was dropped unsaved.
    EXPECT_EQ(backend.log->Count("Close"), c.documents_saved);
  }
}

// --- the header and table steps on their own ---

TEST(HeaderPlaceholdersTest, ReplacesWhatTheJobHolds) {
  struct Case {
    const char *name, *designation, *network, *build_number;
    bool road;
    int document_number;
    std::vector<std::string> finds;
    const char* build_number_after;
  } cases[] = {
      {"blank designation and build number",
       "   ",
       "Hochspannung",
       " ",
       false,
       1,
       {Replace("<Datum>", "D", false)},
       " "},
      {"designation alone keeps its spaces",
       " Weg 1 ",
       "",
       "",
       false,
       2,
       {Replace("<objektbezeichnung>", " Weg 1 ", true), Replace("<Datum>", "D", false)},
       ""},
      {"designation with network",
       "Weg",
       "Signalkabelnetz",
       "",
       false,
       2,
       {Replace("<objektbezeichnung>", "Weg Signalkabelnetz", false),
        Replace("<Datum>", "D", false)},
       ""},
      {"first document upper-cases",
       "",
       "",
       "ä12",
       false,
       1,
       {Replace("<Datum>", "D", false), Replace("<Bau-Nummer>", "Ä12", true)},
       "Ä12"},
      {"leading space shields the letter",
       "",
       "",
       " b7",
       true,
       1,
       {Replace("<Datum>", "D", false), Replace("<filename>", " b7", true)},
       " b7"},
      {"second document, the value settled for both",
       "",
       "",
       "b7",
       false,
       2,
       {Replace("<Datum>", "D", false), Replace("<Bau-Nummer>", "B7", true)},
       "B7"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto log = std::make_shared<fakes::CallLog>();
    fakes::RecordingDocument document(log);
    fakes::FixedDateSource dates("D");
    JobState job;
    job.ObjectDesignation = c.designation;
    job.NetworkName = c.network;
    job.BuildNumber = c.build_number;
    job.RoadRenovationMode = c.road;
    ReplaceHeaderPlaceholders(document, PlanDocuments(job)[c.document_number - 1], job, dates);
    std::vector<std::string> finds;
    for (const std::string& line : log->calls) {
      if (line.starts_with("Replace(")) finds.push_back(line);
    }
    EXPECT_EQ(finds, c.finds);
    EXPECT_EQ(job.BuildNumber, c.build_number_after);
    EXPECT_EQ(log->Count("HeaderCount"), c.document_number == 1 ? 1 : 0);
  }
}

}  // namespace
}  // namespace reportword
