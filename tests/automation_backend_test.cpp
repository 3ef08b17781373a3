// The automation backend against fake IDispatch objects: which members are
// invoked, how, with which arguments in which positions and of which variant
// types, how failures surface, and that every reference is released.
#ifdef REPORTWORD_AUTOMATION

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "docgen/body_table.h"
#include "docgen/wordproc/automation/automation_backend.h"
#include "docgen/wordproc/wordproc_error.h"
#include "fake_dispatch.h"

namespace reportword::automation {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using Lines = std::vector<std::string>;

// "omitted, omitted, ..." for `count` left-out arguments.
std::string Omitted(size_t count) {
  std::string text;
  for (size_t i = 0; i < count; ++i) text += i ? ", omitted" : "omitted";
  return text;
}

Lines Repeat(size_t count, const std::string& value) {
  return Lines(count, value);
}

Lines Concat(std::vector<Lines> parts) {
  Lines all;
  for (const Lines& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

class AutomationBackendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    IDispatch* root = world_.NewObject("Application");
    app_ = WrapApplication(root);
    root->Release();  // the wrapper holds its own reference
  }
  void TearDown() override {
    app_.reset();
    EXPECT_THAT(world_.Unreleased(), IsEmpty());
    EXPECT_FALSE(world_.over_released);
  }

  // The message of the wordproc::Error that `action` throws.
  template <typename Action>
  std::string ErrorOf(Action action) {
    try {
      action();
    } catch (const wordproc::Error& error) {
      return error.what();
    }
    ADD_FAILURE() << "no wordproc::Error";
    return {};
  }

  testing::FakeWorld world_;
  std::unique_ptr<wordproc::Application> app_;
};

TEST_F(AutomationBackendTest, ApplicationDocumentAndHeaderCalls) {
  world_.results["Count"] = {VT_I4, 3};
  app_->SetVisible(false);
  app_->SetVisible(true);
  app_->SetDisplayAlerts(wordproc::kAlertsNone);
  auto document = app_->GetDocuments()->Add("\"Vorlagen\\Netz Plan.dotx\"");
  document->GetApplication()->SetVisible(false);
  auto headers = document->GetSections()->Item(1)->GetHeaders();
  EXPECT_EQ(headers->Count(), 3);
  headers->Item(wordproc::kHeaderFooterPrimary)->GetRange()->GetFind();
  document->SaveAs(" Ziel 1.docx ");
  document->Close();
  app_->GetApplication()->Quit();

  const std::string doc = "Application.Documents.Add";
  const std::string headers_path = doc + ".Sections.Item.Headers";
  EXPECT_THAT(world_.calls,
              ElementsAreArray(Lines{
                  "Application.Visible put(VT_BOOL:false)",
                  "Application.Visible put(VT_BOOL:true)",
                  "Application.DisplayAlerts put(VT_I4:0)",
                  "Application.Documents get()",
                  doc + " method(VT_BSTR:\"Vorlagen\\Netz Plan.dotx\", " + Omitted(3) + ")",
                  doc + ".Application method|get()",
                  doc + ".Application.Visible put(VT_BOOL:false)",
                  doc + ".Sections get()",
                  doc + ".Sections.Item method|get(VT_I4:1)",
                  headers_path + " get()",
                  headers_path + ".Count get()",
                  headers_path + ".Item method|get(VT_I4:1)",
                  headers_path + ".Item.Range get()",
                  headers_path + ".Item.Range.Find get()",
                  doc + ".SaveAs method(VT_BSTR: Ziel 1.docx , " + Omitted(15) + ")",
                  doc + ".Close method(" + Omitted(3) + ")",
                  "Application.Application method|get()",
                  "Application.Application.Quit method(" + Omitted(3) + ")",
              }));
}

wordproc::FindExecuteArgs FindArgs(std::optional<wordproc::ReplacementText> replacement) {
  wordproc::FindExecuteArgs args;
  args.find_text = "<Datum>";
  args.match_case = false;
  args.replace_with = std::move(replacement);
  return args;
}

TEST_F(AutomationBackendTest, FindExecutePassesFifteenArgumentsInTheirPositions) {
  // Every position set, each to a value that differs from its neighbours'.
  // clang-format off
  const wordproc::FindExecuteArgs every{"<objektbezeichnung>", true, false, true, false, true,
      false, 1, true, wordproc::ReplacementText{"neu", false}, 2, false, true, false, true};
  // clang-format on
  const Lines head = {"VT_BSTR:<Datum>", "VT_BOOL:false"};
  const std::vector<std::pair<wordproc::FindExecuteArgs, Lines>> cases = {
      {FindArgs(wordproc::ReplacementText{"05-Dec-2026", false}),
       Concat({head, Repeat(7, "omitted"), {"VT_BSTR:05-Dec-2026"}, Repeat(5, "omitted")})},
      {FindArgs(wordproc::ReplacementText{" Hauptweg 4", true}),
       Concat(
           {head, Repeat(7, "omitted"), {"VT_BYREF|VT_BSTR: Hauptweg 4"}, Repeat(5, "omitted")})},
      {FindArgs(std::nullopt), Concat({head, Repeat(13, "omitted")})},
      {every,
       {"VT_BSTR:<objektbezeichnung>", "VT_BOOL:true", "VT_BOOL:false", "VT_BOOL:true",
        "VT_BOOL:false", "VT_BOOL:true", "VT_BOOL:false", "VT_I4:1", "VT_BOOL:true", "VT_BSTR:neu",
        "VT_I4:2", "VT_BOOL:false", "VT_BOOL:true", "VT_BOOL:false", "VT_BOOL:true"}},
  };
  auto find = app_->GetDocuments()->Add("\"t\"")->GetContent()->GetFind();
  for (const auto& [args, expected] : cases) {
    EXPECT_TRUE(find->Execute(args));
    EXPECT_THAT(world_.calls.back(), HasSubstr("Content.Find.Execute method("));
    EXPECT_THAT(world_.args.back(), ElementsAreArray(expected));
  }
  world_.results["Execute"] = {VT_BOOL, VARIANT_FALSE};  // the found flag comes back
  EXPECT_FALSE(find->Execute(FindArgs(std::nullopt)));
}

TEST_F(AutomationBackendTest, ConvertToTablePassesSixteenArgumentsInTheirPositions) {
  // clang-format off
  const wordproc::ConvertToTableArgs every{wordproc::TableSeparator::kCommas, 2.0, 2, 72.5f, 1,
      false, true, false, true, false, true, false, true, false,
      wordproc::AutoFitBehavior::kWindow, 1};
  // clang-format on
  const std::vector<std::pair<wordproc::ConvertToTableArgs, Lines>> cases = {
      {TableConversion(3),
       Concat({{"VT_I4:1", "VT_R8:10000", "VT_I2:3", "omitted", "VT_I4:0", "VT_BOOL:true"},
               Repeat(8, "VT_BOOL:false"),
               {"VT_I4:0", "omitted"}})},
      {every,
       {"VT_I4:2", "VT_R8:2", "VT_I2:2", "VT_R4:72.5", "VT_I4:1", "VT_BOOL:false", "VT_BOOL:true",
        "VT_BOOL:false", "VT_BOOL:true", "VT_BOOL:false", "VT_BOOL:true", "VT_BOOL:false",
        "VT_BOOL:true", "VT_BOOL:false", "VT_I4:2", "VT_I4:1"}},
  };
  for (const auto& [args, expected] : cases) {
    auto table = app_->GetSelection()->ConvertToTable(args);
    EXPECT_THAT(world_.calls.back(), HasSubstr("Application.Selection.ConvertToTable method("));
    EXPECT_THAT(world_.args.back(), ElementsAreArray(expected));
  }
}

TEST_F(AutomationBackendTest, TableRangeAndSelectionCalls) {
  auto table = app_->GetSelection()->ConvertToTable(TableConversion(2));
  auto range = app_->GetDocuments()->Add("\"t\"")->GetContent();
  world_.calls.clear();

  table->SetPreferredWidthType(wordproc::PreferredWidthType::kPercent);
  table->SetPreferredWidth(100.0f);
  table->GetBorders()->SetOutsideLineStyle(wordproc::LineStyle::kNone);
  table->GetBorders()->SetInsideLineStyle(wordproc::LineStyle::kNone);
  app_->GetSelection()->GetTables()->Item(1)->GetColumns()->Item(2)->SetWidth(150.0f);
  range->SetText(
      "A1\tA2\r\nStra\xC3\x9F"
      "e \xE2\x82\xAC");
  range->SetText("");
  range->Select();
  app_->GetSelection()->WholeStory();

  const std::string t = "Application.Selection.ConvertToTable";
  const std::string columns = "Application.Selection.Tables.Item.Columns";
  const std::string content = "Application.Documents.Add.Content";
  EXPECT_THAT(world_.calls, ElementsAreArray(Lines{
                                t + ".PreferredWidthType put(VT_I4:2)",
                                t + ".PreferredWidth put(VT_R4:100)",
                                t + ".Borders get()",
                                t + ".Borders.OutsideLineStyle put(VT_I4:0)",
                                t + ".Borders get()",
                                t + ".Borders.InsideLineStyle put(VT_I4:0)",
                                "Application.Selection get()",
                                "Application.Selection.Tables get()",
                                "Application.Selection.Tables.Item method|get(VT_I4:1)",
                                columns + " get()",
                                columns + ".Item method|get(VT_I4:2)",
                                columns + ".Item.Width put(VT_R4:150)",
                                content + ".Text put(VT_BSTR:A1\tA2\r\nStra\xC3\x9F"
                                          "e \xE2\x82\xAC)",
                                content + ".Text put(VT_BSTR:)",
                                content + ".Select method()",
                                "Application.Selection get()",
                                "Application.Selection.WholeStory method()",
                            }));

  // Invalid UTF-8 is refused before anything is sent.
  EXPECT_THAT(ErrorOf([&] { range->SetText("ab\xFF"); }), HasSubstr("UTF-8"));
  EXPECT_EQ(world_.calls.size(), 17u);
}

TEST_F(AutomationBackendTest, FailingCallsThrowWithMemberStatusAndDescription) {
  const std::vector<std::pair<testing::Failure, std::string>> cases = {
      {{.scode = static_cast<SCODE>(0x800A1066), .description = L"Ung\u00FCltiger Bereich\r\n"},
       "Find.Execute failed with 0x800A1066: Ung\xC3\xBCltiger Bereich"},
      {{.wcode = 4198, .description = L"Befehl misslungen"},
       "Find.Execute failed with 0x800A1066: Befehl misslungen"},
      {{.hr = static_cast<HRESULT>(0x80010108)}, "Find.Execute failed with 0x80010108"},
      // Invoke counts the reversed array: index 13 of 15 is the second argument.
      {{.hr = DISP_E_TYPEMISMATCH, .argument_error = 13},
       "Find.Execute (argument 2) failed with 0x80020005"},
  };
  auto find = app_->GetDocuments()->Add("\"t\"")->GetContent()->GetFind();
  for (const auto& [failure, expected] : cases) {
    world_.failures["Execute"] = failure;
    EXPECT_THAT(ErrorOf([&] { find->Execute(FindArgs(std::nullopt)); }), HasSubstr(expected));
  }
}

TEST_F(AutomationBackendTest, UnknownMemberMissingObjectAndMissingValueAreErrors) {
  auto document = app_->GetDocuments()->Add("\"t\"");
  auto headers = document->GetSections()->Item(1)->GetHeaders();

  world_.unknown_names.insert("Content");
  EXPECT_THAT(ErrorOf([&] { document->GetContent(); }),
              HasSubstr("name lookup of Document.Content failed with 0x80020006"));
  world_.results["Documents"] = {VT_EMPTY, 0};
  EXPECT_THAT(ErrorOf([&] { app_->GetDocuments(); }),
              HasSubstr("Application.Documents returned no object"));
  world_.results["Count"] = {VT_EMPTY, 0};
  EXPECT_THAT(ErrorOf([&] { headers->Count(); }),
              HasSubstr("HeadersFooters.Count returned no value"));
}

TEST_F(AutomationBackendTest, EveryReferenceIsReleasedAlsoAfterFailuresAndUnusedResults) {
  world_.results.erase("WholeStory");  // an object nobody asked for is released too
  app_->GetSelection()->WholeStory();
  {
    auto document = app_->GetDocuments()->Add("\"t\"");
    world_.failures["Execute"] = {.scode = static_cast<SCODE>(0x800A1066)};
    EXPECT_THROW(
        document->GetSections()->Item(1)->GetHeaders()->Item(1)->GetRange()->GetFind()->Execute(
            FindArgs(wordproc::ReplacementText{"x", true})),
        wordproc::Error);
    EXPECT_THAT(world_.Unreleased(),
                ElementsAre("Application (1)", "Application.Documents.Add (1)"));
  }
  // TearDown checks that nothing is left.
}

TEST(AutomationBackendCreation, UnregisteredProgIdThrowsWithStatus) {
  AutomationBackend backend("ReportWord.NoSuchApplication");
  try {
    backend.CreateApplication();
    ADD_FAILURE() << "no wordproc::Error";
  } catch (const wordproc::Error& error) {
    EXPECT_THAT(error.what(),
                HasSubstr("CLSIDFromProgID(ReportWord.NoSuchApplication) failed with 0x800401F3"));
  }
}

}  // namespace
}  // namespace reportword::automation

#endif  // REPORTWORD_AUTOMATION
