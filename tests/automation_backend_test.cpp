// The automation backend against fake IDispatch objects: which members are
// invoked, how, with which arguments in which positions and of which variant
// types, how failures surface, and that every reference is released.
#ifdef REPORTWORD_AUTOMATION

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "automation/automation_backend.h"
#include "fake_dispatch.h"
#include "wordproc/wordproc_error.h"

namespace reportword::automation {
namespace {

using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using ::testing::StartsWith;
using wordproc::ReplacementText;

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

wordproc::FindExecuteArgs FindArgs(std::optional<ReplacementText> replacement) {
  wordproc::FindExecuteArgs args;
  args.find_text = "<Datum>";
  args.match_case = false;
  args.replace_with = std::move(replacement);
  return args;
}

// Each test ends with every reference given back, none once too often: also
// after failures, and for the objects that calls return and nobody uses.
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
  }

  testing::FakeWorld world_;
  std::unique_ptr<wordproc::Application> app_;
};

TEST_F(AutomationBackendTest, CallsReachTheirMembersWithEachArgumentInPositionAndType) {
  // Every position set, each to a value that differs from its neighbours'.
  // clang-format off
  const wordproc::FindExecuteArgs every_find{"<Ort>", true, false, true, false, true, false, 1,
      true, ReplacementText{"neu", false}, 2, false, true, false, true};
  const wordproc::ConvertToTableArgs every_conversion{wordproc::TableSeparator::kCommas, 2.0, 2,
      72.5f, 1, false, true, false, true, false, true, false, true, false,
      wordproc::AutoFitBehavior::kWindow, 1};
  // clang-format on
  world_.results["Count"] = {VT_I4, 3};
  app_->SetVisible(false);
  app_->SetVisible(true);
  app_->SetDisplayAlerts(wordproc::kAlertsNone);
  auto document = app_->GetDocuments()->Add("\"Vorlagen\\Netz Plan.dotx\"");
  document->GetApplication()->SetVisible(false);
  auto headers = document->GetSections()->Item(1)->GetHeaders();
  EXPECT_EQ(headers->Count(), 3);
  headers->Item(wordproc::kHeaderFooterPrimary)->GetRange()->GetFind();

  auto range = document->GetContent();
  auto find = range->GetFind();
  EXPECT_TRUE(find->Execute(FindArgs(ReplacementText{"05-Dec-2026", false})));
  EXPECT_TRUE(find->Execute(FindArgs(ReplacementText{" Hauptweg 4", true})));
  world_.results["Execute"] = {VT_BOOL, VARIANT_FALSE};  // the found flag comes back
  EXPECT_FALSE(find->Execute(FindArgs(std::nullopt)));
  EXPECT_FALSE(find->Execute(every_find));
  range->SetText(
      "A1\tA2\r\nStra\xC3\x9F"
      "e \xE2\x82\xAC");
  range->SetText("");
  range->Select();

  auto table = app_->GetSelection()->ConvertToTable(TableConversion(3));
  app_->GetSelection()->ConvertToTable(every_conversion);
  table->SetPreferredWidthType(wordproc::PreferredWidthType::kPercent);
  table->SetPreferredWidth(100.0f);
  table->GetBorders()->SetOutsideLineStyle(wordproc::LineStyle::kNone);
  table->GetBorders()->SetInsideLineStyle(wordproc::LineStyle::kNone);
  app_->GetSelection()->GetTables()->Item(1)->GetColumns()->Item(2)->SetWidth(150.0f);
  app_->GetSelection()->WholeStory();
  document->SaveAs(" Ziel 1.docx ");
  document->Close();
  app_->GetApplication()->Quit();

  const std::string doc = "Application.Documents.Add";
  const std::string headers_path = doc + ".Sections.Item.Headers";
  const std::string execute = doc + ".Content.Find.Execute method(BSTR:";
  const std::string table_path = "Application.Selection.ConvertToTable";
  const std::string columns = "Application.Selection.Tables.Item.Columns";
  // clang-format off
  EXPECT_THAT(world_.calls, ElementsAreArray(std::vector<std::string>{
      "Application.Visible put(false)",
      "Application.Visible put(true)",
      "Application.DisplayAlerts put(I4:0)",
      "Application.Documents get()",
      doc + " method(BSTR:\"Vorlagen\\Netz Plan.dotx\", -, -, -)",
      doc + ".Application method|get()",
      doc + ".Application.Visible put(false)",
      doc + ".Sections get()",
      doc + ".Sections.Item method|get(I4:1)",
      headers_path + " get()",
      headers_path + ".Count get()",
      headers_path + ".Item method|get(I4:1)",
      headers_path + ".Item.Range get()",
      headers_path + ".Item.Range.Find get()",
      doc + ".Content get()",
      doc + ".Content.Find get()",
      execute + "<Datum>, false, -, -, -, -, -, -, -, BSTR:05-Dec-2026, -, -, -, -, -)",
      execute + "<Datum>, false, -, -, -, -, -, -, -, BYREF|BSTR: Hauptweg 4, -, -, -, -, -)",
      execute + "<Datum>, false, -, -, -, -, -, -, -, -, -, -, -, -, -)",
      execute + "<Ort>, true, false, true, false, true, false, I4:1, true, BSTR:neu, I4:2, false, "
                "true, false, true)",
      doc + ".Content.Text put(BSTR:A1\tA2\r\nStra\xC3\x9F" "e \xE2\x82\xAC)",
      doc + ".Content.Text put(BSTR:)",
      doc + ".Content.Select method()",
      "Application.Selection get()",
      table_path + " method(I4:1, R8:10000, I2:3, -, I4:0, true, false, false, false, false, "
                   "false, false, false, false, I4:0, -)",
      "Application.Selection get()",
      table_path + " method(I4:2, R8:2, I2:2, R4:72.5, I4:1, false, true, false, true, false, "
                   "true, false, true, false, I4:2, I4:1)",
      table_path + ".PreferredWidthType put(I4:2)",
      table_path + ".PreferredWidth put(R4:100)",
      table_path + ".Borders get()",
      table_path + ".Borders.OutsideLineStyle put(I4:0)",
      table_path + ".Borders get()",
      table_path + ".Borders.InsideLineStyle put(I4:0)",
      "Application.Selection get()",
      "Application.Selection.Tables get()",
      "Application.Selection.Tables.Item method|get(I4:1)",
      columns + " get()",
      columns + ".Item method|get(I4:2)",
      columns + ".Item.Width put(R4:150)",
      "Application.Selection get()",
      "Application.Selection.WholeStory method()",
      doc + ".SaveAs method(BSTR: Ziel 1.docx , -, -, -, -, -, -, -, -, -, -, -, -, -, -, -)",
      doc + ".Close method(-, -, -)",
      "Application.Application method|get()",
      "Application.Application.Quit method(-, -, -)",
  }));
  // clang-format on
}

TEST_F(AutomationBackendTest, FailuresNameTheMemberTheStatusAndTheReason) {
  // An empty description leaves the reason to the system's text for the status.
  // clang-format off
  const std::vector<std::pair<testing::Failure, ::testing::Matcher<std::string>>> cases = {
      {{.scode = static_cast<SCODE>(0x800A1066), .description = L"Ung\u00FCltiger Bereich\r\n"},
       "Find.Execute failed with 0x800A1066: Ung\xC3\xBCltiger Bereich"},
      {{.wcode = 4198, .description = L"Befehl misslungen"},
       "Find.Execute failed with 0x800A1066: Befehl misslungen"},
      {{.hr = static_cast<HRESULT>(0x80010108)}, StartsWith("Find.Execute failed with 0x80010108")},
      {{.hr = E_OUTOFMEMORY}, StartsWith("Find.Execute failed with 0x8007000E: ")},
      // Invoke counts the reversed array: index 13 of 15 is the second argument.
      {{.hr = DISP_E_TYPEMISMATCH, .argument_error = 13},
       StartsWith("Find.Execute (argument 2) failed with 0x80020005")},
  };
  // clang-format on
  auto document = app_->GetDocuments()->Add("\"t\"");
  auto headers = document->GetSections()->Item(1)->GetHeaders();
  auto range = document->GetContent();
  auto find = range->GetFind();
  for (const auto& [failure, message] : cases) {
    world_.failures["Execute"] = failure;
    EXPECT_THAT(ErrorOf([&] { find->Execute(FindArgs(ReplacementText{"x", true})); }), message);
  }

  const size_t sent = world_.calls.size();
  EXPECT_EQ(ErrorOf([&] { range->SetText("ab\xFF"); }),
            "text for an automation call is not valid UTF-8");
  EXPECT_EQ(world_.calls.size(), sent);  // refused before anything is sent
  world_.unknown_names.insert("Content");
  EXPECT_THAT(ErrorOf([&] { document->GetContent(); }),
              StartsWith("name lookup of Document.Content failed with 0x80020006"));
  world_.results["Documents"] = {VT_EMPTY, 0};
  EXPECT_EQ(ErrorOf([&] { app_->GetDocuments(); }),
            "Application.Documents returned no object (variant type 0)");
  world_.results["Count"] = {VT_EMPTY, 0};
  EXPECT_EQ(ErrorOf([&] { headers->Count(); }), "HeadersFooters.Count returned no value");
}

TEST(AutomationBackendCreation, UnregisteredProgIdThrowsWithStatus) {
  EXPECT_THAT(
      ErrorOf([] { AutomationBackend("ReportWord.NoSuchApplication").CreateApplication(); }),
      StartsWith("CLSIDFromProgID(ReportWord.NoSuchApplication) failed with 0x800401F3"));
}

}  // namespace
}  // namespace reportword::automation

#endif  // REPORTWORD_AUTOMATION
