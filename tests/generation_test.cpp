#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/entry/program.h"
#include "docgen/body_table.h"
#include "app/generation_error.h"
#include "docgen/header_placeholders.h"
#include "docgen/input_validation.h"
#include "docgen/report_generator.h"
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

std::string Quoted(const std::string& s) {
  return "\"" + s + "\"";
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

  // The word-processor calls of a run, without the getters and the file checks.
  std::vector<std::string> WordCalls() const {
    std::vector<std::string> lines;
    for (const std::string& line : log().Actions()) {
      if (!line.starts_with("FileSystem.") && line != "Backend.CreateFileSystem") {
        lines.push_back(line);
      }
    }
    return lines;
  }

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

  EXPECT_THAT(
      WordCalls(),
      ElementsAre(
          "Backend.CreateApplication", "Application.Visible=false", "Application.DisplayAlerts=0",
          // document 1
          "Documents.Add(\"/t/a.dotx\")", "Application.Visible=false",
          "Find.Execute(<objektbezeichnung>, Hauptweg 4 Niederspannungsnetz, new)",
          "HeadersFooters.Count", "Find.Execute(<Datum>, 06-Dec-2026, new)",
          "Find.Execute(<Datum>, 06-Dec-2026, new)", "Find.Execute(<Datum>, 06-Dec-2026, new)",
          "Find.Execute(<Bau-Nummer>, B7-x, ref)",
          "Range.Text=A1\\tA2\\tA3\\r\\nB1\\tB2\\tB3\\r\\n", "Selection.WholeStory",
          "Selection.ConvertToTable(3 columns)", "Table.PreferredWidthType=2",
          "Table.PreferredWidth=100", "Borders.OutsideLineStyle=0", "Borders.InsideLineStyle=0",
          "Document.SaveAs(\"/o/1.docx\")", "Document.Close",
          // document 2
          "Application.Visible=false", "Documents.Add(\"/t/b.dotx\")", "Application.Visible=false",
          "Find.Execute(<objektbezeichnung>, Hauptweg 4 Niederspannungsnetz, new)",
          "Find.Execute(<Datum>, 06-Dec-2026, new)", "Find.Execute(<Bau-Nummer>, B7-x, ref)",
          "Range.Text=C1\\tC2\\r\\n", "Range.Select", "Selection.WholeStory",
          "Selection.ConvertToTable(2 columns)", "Table.PreferredWidthType=2",
          "Table.PreferredWidth=100", "Borders.OutsideLineStyle=0", "Borders.InsideLineStyle=0",
          "Document.SaveAs(\"/o/2.docx\")", "Document.Close", "Application.Quit"));
  EXPECT_EQ(dates_.calls, 4);  // formed anew for every date replacement
  EXPECT_EQ(job.BuildNumber, "B7-x");
  EXPECT_EQ(job.TableText1, "A1\tA2\tA3\r\nB1\tB2\tB3\r\n");  // unchanged in network mode
  EXPECT_FALSE(job.WordApp);
  EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(GenerationTest, VisibilityIsSetOnTheApplicationObjectsHandedOut) {
  JobState job = NetworkJob();
  ASSERT_EQ(GenerateReports(job, context_), GenerationOutcome::kDocumentsWritten);
  std::vector<std::string> application_calls;
  for (const std::string& line : log().All()) {
    if (line.starts_with("Application.Application") || line == "Document.Application" ||
        line.starts_with("Application.Visible") || line.starts_with("Application.DisplayAlerts") ||
        line == "Application.Quit") {
      application_calls.push_back(line);
    }
  }
  EXPECT_THAT(application_calls, ElementsAre("Application.Application", "Application.Visible=false",
                                             "Application.DisplayAlerts=0", "Document.Application",
                                             "Application.Visible=false", "Application.Application",
                                             "Application.Visible=false", "Document.Application",
                                             "Application.Visible=false", "Application.Application",
                                             "Application.Quit"));
}

TEST_F(GenerationTest, RoadRunDiffersInPlaceholderLeadingRowAndColumnWidths) {
  log().header_count = 0;
  JobState job = RoadJob();
  ASSERT_EQ(GenerateReports(job, context_), GenerationOutcome::kDocumentsWritten);

  EXPECT_THAT(
      WordCalls(),
      ElementsAre(
          "Backend.CreateApplication", "Application.Visible=false", "Application.DisplayAlerts=0",
          // document 1: no header, so no date
          "Documents.Add(\"/t/a.dotx\")", "Application.Visible=false",
          "Find.Execute(<objektbezeichnung>,  K1, ref)", "HeadersFooters.Count",
          "Find.Execute(<filename>, B7, ref)", "Range.Text=\\r\\nV2\\tV4\\tV5\\r\\n",
          "Selection.WholeStory", "Selection.ConvertToTable(3 columns)",
          "Table.PreferredWidthType=2", "Table.PreferredWidth=100", "Borders.OutsideLineStyle=0",
          "Borders.InsideLineStyle=0", "Document.SaveAs(\"/o/1.docx\")", "Document.Close",
          // document 2
          "Application.Visible=false", "Documents.Add(\"/t/b.dotx\")", "Application.Visible=false",
          "Find.Execute(<objektbezeichnung>,  K1, ref)", "Find.Execute(<Datum>, 06-Dec-2026, new)",
          "Find.Execute(<filename>, B7, ref)", "Range.Text=\\r\\nX\\tY\\r\\n", "Range.Select",
          "Selection.WholeStory", "Selection.ConvertToTable(2 columns)",
          "Table.PreferredWidthType=2", "Table.PreferredWidth=100", "Borders.OutsideLineStyle=0",
          "Borders.InsideLineStyle=0", "Column(1).Width=250", "Column(2).Width=150",
          "Document.SaveAs(\"/o/2.docx\")", "Document.Close", "Application.Quit"));
  EXPECT_EQ(job.TableText1, "\r\nV2\tV4\tV5\r\n");
  EXPECT_EQ(job.TableText2, "\r\nX\tY\r\n");
  EXPECT_EQ(job.BuildNumber, "B7");
}

TEST_F(GenerationTest, PathsReachTheWordProcessorAsStored) {
  JobState job = NetworkJob();
  job.TemplatePath1 = "  /t/my a.dotx ";
  job.TargetPath2 = " /o/2 b.docx  ";
  log().existing_files.insert("/t/my a.dotx");
  ASSERT_EQ(GenerateReports(job, context_), GenerationOutcome::kDocumentsWritten);
  EXPECT_EQ(log().Count("Documents.Add(\"/t/my a.dotx\")"), 1);
  EXPECT_EQ(log().Count("Document.SaveAs(\" /o/2 b.docx  \")"), 1);
}

TEST_F(GenerationTest, InputChecksRunInOrderAndStopEverythingOnFailure) {
  struct Case {
    const char* name;
    std::vector<std::string> existing;
    const char* target1;
    const char* target2;
    std::vector<std::pair<std::string, std::string>> same_files;
    const char* message;
  } cases[] = {
      {"no template", {}, "/o/1.docx", "/o/2.docx", {}, kTemplateMissingMessage},
      {"second template missing", {"/t/a.dotx"}, "/o/1", "/o/2", {}, kTemplateMissingMessage},
      {"report missing", {"/t/a.dotx", "/t/b.dotx"}, "/o/1", "/o/2", {}, kReportMissingMessage},
      {"first target blank",
       {"/t/a.dotx", "/t/b.dotx", "R"},
       "   ",
       "/o/2",
       {},
       kTargetMissingMessage},
      {"second target empty",
       {"/t/a.dotx", "/t/b.dotx", "R"},
       "/o/1",
       "",
       {},
       kTargetMissingMessage},
      {"target is a template",
       {"/t/a.dotx", "/t/b.dotx", "R"},
       "/o/1",
       "/o/2",
       {{"/o/2", "/t/a.dotx"}},
       kTargetIsInputMessage},
      {"target is the report",
       {"/t/a.dotx", "/t/b.dotx", "R"},
       "/o/1",
       "/o/2",
       {{"/o/1", "R"}},
       kTargetIsInputMessage},
      {"both targets the same",
       {"/t/a.dotx", "/t/b.dotx", "R"},
       "/o/x",
       "/o/x",
       {},
       kTargetIsInputMessage},
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
    EXPECT_EQ(backend.log->Count("Backend.CreateApplication"), 0);
    EXPECT_FALSE(job.WordApp);
    EXPECT_TRUE(job.TableText1.empty() && job.BuildNumber.empty());
  }
}

TEST_F(GenerationTest, ChecksStopAtTheFirstMissingFile) {
  log().existing_files.clear();
  JobState job = NetworkJob();
  EXPECT_EQ(GenerateReports(job, context_), GenerationOutcome::kInputCheckFailed);
  EXPECT_THAT(log().Actions(),
              ElementsAre("Backend.CreateFileSystem", "FileSystem.FileExists(/t/a.dotx)"));
}

TEST_F(GenerationTest, ChecksUseTrimmedInputsButTargetsAsStored) {
  JobState job = NetworkJob();
  job.TemplatePath1 = " /t/a.dotx  ";
  job.ReportFilePath = "  " + report_path_ + " ";
  job.TargetPath1 = " /o/1.docx ";
  ASSERT_EQ(GenerateReports(job, context_), GenerationOutcome::kDocumentsWritten);
  EXPECT_EQ(job.TemplatePath1, "/t/a.dotx");
  EXPECT_EQ(job.ReportFilePath, report_path_);
  EXPECT_EQ(job.TargetPath1, " /o/1.docx ");
  EXPECT_EQ(log().Count("FileSystem.SameFile( /o/1.docx , /t/a.dotx)"), 1);
}

TEST_F(GenerationTest, FailureQuitsTheWordProcessorAndRethrows) {
  struct Case {
    const char* name;
    const char* fail_at;
    int occurrence;
    std::vector<std::string> last_calls;  // the calls just before the quit
    int documents_saved;
  } cases[] = {
      {"saving document 2",
       "Document.SaveAs",
       2,
       {"Borders.InsideLineStyle=0", "Document.SaveAs(\"/o/2.docx\")"},
       1},
      {"creating document 1",
       "Documents.Add",
       1,
       {"Application.DisplayAlerts=0", "Documents.Add(\"/t/a.dotx\")"},
       0},
      {"a header search",
       "Find.Execute(<Datum>",
       1,
       {"HeadersFooters.Count", "Find.Execute(<Datum>, 06-Dec-2026, new)"},
       0},
      {"checking a file", "FileSystem.FileExists", 2, {"Backend.CreateApplication"}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fakes::RecordingBackend backend;
    GenerationContext context{backend, dates_, messages_};
    backend.log->existing_files = log().existing_files;
    backend.log->FailAt(c.fail_at, c.occurrence);
    JobState job = NetworkJob();

    EXPECT_THROW(GenerateReports(job, context), GenerationError);
    EXPECT_FALSE(job.WordApp);
    std::vector<std::string> calls;
    for (const std::string& line : backend.log->Actions()) {
      if (!line.starts_with("FileSystem.") && line != "Backend.CreateFileSystem") {
        calls.push_back(line);
      }
    }
    ASSERT_GE(calls.size(), c.last_calls.size() + 1);
    // What came last before the failure, then the quit and nothing else.
    std::vector<std::string> tail(calls.end() - static_cast<long>(c.last_calls.size()) - 1,
                                  calls.end() - 1);
    EXPECT_THAT(tail, ElementsAreArray(c.last_calls));
    EXPECT_EQ(calls.back(), "Application.Quit");
    // Only completed documents were closed; the failing one was dropped unsaved.
    EXPECT_EQ(backend.log->Count("Document.Close"), c.documents_saved);
    EXPECT_EQ(backend.log->Count("Application.Quit"), 1);
  }
}

TEST_F(GenerationTest, FailedReportReadingStillStartsAndQuitsTheWordProcessor) {
  JobState job = NetworkJob();
  std::filesystem::remove(report_path_);  // passes the (faked) check, fails to open
  try {
    GenerateReports(job, context_);
    ADD_FAILURE() << "expected a GenerationError";
  } catch (const GenerationError& error) {
    EXPECT_THAT(error.what(), HasSubstr("report.txt"));
  }
  EXPECT_THAT(WordCalls(), ElementsAre("Backend.CreateApplication", "Application.Quit"));
  EXPECT_FALSE(job.WordApp);
}

TEST_F(GenerationTest, FailureWhileQuittingKeepsTheOriginalError) {
  log().FailAt("Document.SaveAs");
  log().FailAt("Application.Quit");
  JobState job = NetworkJob();
  try {
    GenerateReports(job, context_);
    ADD_FAILURE() << "expected a GenerationError";
  } catch (const GenerationError& error) {
    EXPECT_THAT(error.what(), HasSubstr("Document.SaveAs"));
  }
  EXPECT_FALSE(job.WordApp);
}

TEST_F(GenerationTest, OtherFailuresAreReportedAsGenerationErrors) {
  log().FailAt("Range.Text", 1, /*generation_error=*/false);
  JobState job = NetworkJob();
  try {
    GenerateReports(job, context_);
    ADD_FAILURE() << "expected a GenerationError";
  } catch (const GenerationError& error) {
    EXPECT_THAT(error.what(), HasSubstr("injected runtime failure at Range.Text"));
  }
  EXPECT_EQ(WordCalls().back(), "Application.Quit");
}

// --- the header and table steps on their own ---

TEST(HeaderPlaceholdersTest, ReplaceInHeaderWalksTheChainAfreshWithOnlyTwoArguments) {
  auto log = std::make_shared<fakes::CallLog>();
  fakes::RecordingDocument document(log);
  ReplaceInHeader(document, "<Datum>", {"06-Dec-2026", false});
  ReplaceInHeader(document, "<filename>", {"B7", true});
  const std::vector<std::string> chain{"Document.Sections",  "Sections.Item(1)",
                                       "Section.Headers",    "HeadersFooters.Item(1)",
                                       "HeaderFooter.Range", "Range.Find"};
  std::vector<std::string> expected = chain;
  expected.push_back("Find.Execute(<Datum>, 06-Dec-2026, new)");
  expected.insert(expected.end(), chain.begin(), chain.end());
  expected.push_back("Find.Execute(<filename>, B7, ref)");
  EXPECT_EQ(log->All(), expected);

  ASSERT_EQ(log->finds.size(), 2u);
  const wordproc::FindExecuteArgs& args = log->finds[1];
  EXPECT_EQ(args.find_text, "<filename>");
  EXPECT_EQ(args.match_case, false);
  ASSERT_TRUE(args.replace_with);
  EXPECT_EQ(args.replace_with->text, "B7");
  EXPECT_TRUE(args.replace_with->by_reference);
  const bool others_omitted = !args.match_whole_word && !args.match_wildcards &&
                              !args.match_sounds_like && !args.match_all_word_forms &&
                              !args.forward && !args.wrap && !args.format && !args.replace &&
                              !args.match_kashida && !args.match_diacritics &&
                              !args.match_alef_hamza && !args.match_control;
  EXPECT_TRUE(others_omitted);
}

TEST(HeaderPlaceholdersTest, ReplacesWhatTheJobHolds) {
  struct Case {
    const char* name;
    const char* designation;
    const char* network;
    const char* build_number;
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
       {"Find.Execute(<Datum>, D, new)"},
       " "},
      {"designation alone keeps its spaces",
       " Weg 1 ",
       "",
       "",
       false,
       2,
       {"Find.Execute(<objektbezeichnung>,  Weg 1 , ref)", "Find.Execute(<Datum>, D, new)"},
       ""},
      {"designation with network",
       "Weg",
       "Signalkabelnetz",
       "",
       false,
       2,
       {"Find.Execute(<objektbezeichnung>, Weg Signalkabelnetz, new)",
        "Find.Execute(<Datum>, D, new)"},
       ""},
      {"first document upper-cases",
       "",
       "",
       "ä12",
       false,
       1,
       {"Find.Execute(<Datum>, D, new)", "Find.Execute(<Bau-Nummer>, Ä12, ref)"},
       "Ä12"},
      {"leading space shields the letter",
       "",
       "",
       " b7",
       true,
       1,
       {"Find.Execute(<Datum>, D, new)", "Find.Execute(<filename>,  b7, ref)"},
       " b7"},
      {"second document uses the value as stored",
       "",
       "",
       "b7",
       false,
       2,
       {"Find.Execute(<Datum>, D, new)", "Find.Execute(<Bau-Nummer>, b7, ref)"},
       "b7"},
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
    for (const std::string& line : log->Actions()) {
      if (line.starts_with("Find.")) finds.push_back(line);
    }
    EXPECT_EQ(finds, c.finds);
    EXPECT_EQ(job.BuildNumber, c.build_number_after);
    EXPECT_EQ(log->Count("HeadersFooters.Count"), c.document_number == 1 ? 1 : 0);
  }
}

TEST(BodyTableTest, SecondRoadDocumentFetchesTheSelectionForEveryStep) {
  fakes::RecordingBackend backend;
  fakes::RecordingDocument document(backend.log);
  JobState job;
  job.RoadRenovationMode = true;
  job.TableText2 = "X\tY\r\n";
  std::unique_ptr<wordproc::Table> table =
      LayOutBodyTable(document, PlanDocuments(job)[1], job, backend);
  EXPECT_TRUE(table);
  EXPECT_THAT(
      backend.log->All(),
      ElementsAre("Document.Content", "Range.Text=\\r\\nX\\tY\\r\\n", "Document.Content",
                  "Range.Select", "Backend.CreateApplication", "Application.Selection",
                  "Selection.WholeStory", "Application.Selection",
                  "Selection.ConvertToTable(2 columns)", "Table.PreferredWidthType=2",
                  "Table.PreferredWidth=100", "Table.Borders", "Borders.OutsideLineStyle=0",
                  "Table.Borders", "Borders.InsideLineStyle=0", "Application.Selection",
                  "Selection.Tables", "Tables.Item(1)", "Table.Columns", "Columns.Item(1)",
                  "Column(1).Width=250", "Application.Selection", "Selection.Tables",
                  "Tables.Item(1)", "Table.Columns", "Columns.Item(2)", "Column(2).Width=150"));
}

TEST(BodyTableTest, ConversionArguments) {
  fakes::RecordingBackend backend;
  fakes::RecordingDocument document(backend.log);
  JobState job;
  for (const DocumentPlan& plan : PlanDocuments(job)) LayOutBodyTable(document, plan, job, backend);
  ASSERT_EQ(backend.log->conversions.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    const wordproc::ConvertToTableArgs& args = backend.log->conversions[i];
    EXPECT_EQ(args.separator, wordproc::TableSeparator::kTabs);
    EXPECT_EQ(args.num_rows, 10000.0);
    EXPECT_EQ(args.num_columns, i == 0 ? 3 : 2);
    EXPECT_FALSE(args.initial_column_width);
    EXPECT_EQ(args.format, wordproc::kTableFormatNone);
    EXPECT_EQ(args.apply_borders, true);
    for (const std::optional<bool>& flag :
         {args.apply_shading, args.apply_font, args.apply_color, args.apply_heading_rows,
          args.apply_last_row, args.apply_first_column, args.apply_last_column, args.auto_fit}) {
      EXPECT_EQ(flag, false);
    }
    EXPECT_EQ(args.auto_fit_behavior, wordproc::AutoFitBehavior::kFixed);
    EXPECT_FALSE(args.default_table_behavior);
  }
  // Network mode leaves an empty table text empty.
  EXPECT_EQ(backend.log->Count("Range.Text="), 2);
}

// --- the program entry ---

class MainTest : public GenerationTest {
 protected:
  int Run(const std::string& argument_text) {
    ProgramEnvironment env{backend_, dates_, messages_, diagnostics_};
    return Main(argument_text, env);
  }
  std::string FullCommandLine() const {
    return "9520e000 " + Quoted("/t/a.dotx") + " " + Quoted("/t/b.dotx") + " " +
           Quoted(report_path_) + " " + Quoted("/o/1.docx") + " " + Quoted("/o/2.docx");
  }
  std::ostringstream diagnostics_;
};

bool IsOneLine(const std::string& s) {
  return !s.empty() && s.back() == '\n' && s.find('\n') == s.size() - 1;
}

TEST_F(MainTest, GenerationFailurePrintsItsCause) {
  struct Case {
    const char* fail_at;
    bool generation_error;
  } cases[] = {{"Document.SaveAs(\"/o/2.docx\")", true}, {"Range.Select", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fail_at);
    WriteReport(kNetworkReport);
    backend_.log = std::make_shared<fakes::CallLog>();
    log().existing_files = {"/t/a.dotx", "/t/b.dotx", report_path_};
    log().FailAt(c.fail_at, 1, c.generation_error);
    diagnostics_.str("");
    EXPECT_EQ(Run(FullCommandLine()), kExitGenerationError);
    EXPECT_TRUE(IsOneLine(diagnostics_.str()));
    EXPECT_TRUE(diagnostics_.str().starts_with("Velam_Analyse: injected "));
    EXPECT_THAT(diagnostics_.str(), HasSubstr(c.fail_at));
  }
}

}  // namespace
}  // namespace reportword
