// The automation backend against fake IDispatch objects: the calls each
// document step makes, in order, with each argument's position and variant
// type; how failures surface; and that every reference is released, the body
// table only once the application has quit.
#ifdef REPORTWORD_AUTOMATION

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "automation/automation_backend.h"
#include "fake_dispatch.h"
#include "text/failure.h"

namespace reportword::automation {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using ::testing::StartsWith;
using Transcript = std::vector<std::string>;

// The message of the Failure that `action` throws.
template <typename Action>
std::string ErrorOf(Action action) {
  try {
    action();
  } catch (const Failure& error) {
    return error.what();
  }
  ADD_FAILURE() << "no Failure";
  return {};
}

const std::string kDoc = "Application.Documents.Add";
const std::string kHeaders = kDoc + ".Sections.Item.Headers";
const std::string kTable = "Application.Selection.ConvertToTable";
const std::string kColumns = "Application.Selection.Tables.Item.Columns";

// An application with one document made from a template, its calls recorded
// from then on.
struct Session {
  Session() {
    IDispatch* root = world.NewObject("Application");
    app = WrapApplication(root);
    root->Release();  // the wrapper holds its own reference
    document = app->CreateDocument("t.dotx", false);
    world.calls.clear();
  }
  // Everything given back, nothing once too often.
  std::vector<std::string> ReleaseAll() {
    document.reset();
    app.reset();
    return world.Unreleased();
  }

  test::FakeWorld world;
  std::unique_ptr<wordproc::Application> app;
  std::unique_ptr<wordproc::Document> document;
};

TEST(AutomationBackend, CreateDocumentHidesTheApplicationAndAddsFromTheQuotedTemplate) {
  const Transcript start = {"Application.Application method|get()",
                            "Application.Application.Visible put(false)"};
  const Transcript add = {
      "Application.Documents get()",
      kDoc + " method(BSTR:\"Vorlagen\\Netz Plan.dotx\", -, -, -)",
      kDoc + ".Application method|get()",
      kDoc + ".Application.Visible put(false)",
  };
  for (const bool alerts_off : {false, true}) {
    SCOPED_TRACE(alerts_off);
    Session session;
    session.document = session.app->CreateDocument("Vorlagen\\Netz Plan.dotx", alerts_off);
    Transcript expected = start;
    if (alerts_off) expected.push_back("Application.DisplayAlerts put(I4:0)");
    expected.insert(expected.end(), add.begin(), add.end());
    EXPECT_THAT(session.world.calls, ElementsAreArray(expected));
    EXPECT_THAT(session.ReleaseAll(), IsEmpty());
  }
}

TEST(AutomationBackend, EachStepMakesItsObjectModelCalls) {
  const std::string execute = kHeaders + ".Item.Range.Find.Execute method(BSTR:";
  const Transcript to_find = {
      kDoc + ".Sections get()",
      kDoc + ".Sections.Item method|get(I4:1)",
      kHeaders + " get()",
      kHeaders + ".Item method|get(I4:1)",
      kHeaders + ".Item.Range get()",
      kHeaders + ".Item.Range.Find get()",
  };
  const auto replace = [&](const std::string& arguments) {
    Transcript calls = to_find;
    calls.push_back(execute + arguments);
    return calls;
  };
  const Transcript conversion = {
      "Application.Selection get()",
      "Application.Selection.WholeStory method()",
      "Application.Selection get()",
      kTable +
          " method(I4:1, R8:10000, I2:2, -, I4:0, true, false, false, false, false, false, "
          "false, false, false, I4:0, -)",
      kTable + ".PreferredWidthType put(I4:2)",
      kTable + ".PreferredWidth put(R4:100)",
      kTable + ".Borders get()",
      kTable + ".Borders.OutsideLineStyle put(I4:0)",
      kTable + ".Borders get()",
      kTable + ".Borders.InsideLineStyle put(I4:0)",
  };
  const auto column_width = [](int column, const std::string& width) {
    return Transcript{"Application.Selection get()",
                      "Application.Selection.Tables get()",
                      "Application.Selection.Tables.Item method|get(I4:1)",
                      kColumns + " get()",
                      kColumns + ".Item method|get(I4:" + std::to_string(column) + ")",
                      kColumns + ".Item.Width put(R4:" + width + ")"};
  };
  const auto join = [](std::vector<Transcript> parts) {
    Transcript all;
    for (const Transcript& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
  };

  struct Case {
    const char* name;
    std::function<void(Session&)> step;
    Transcript expected;
  };
  const std::vector<Case> cases = {
      {"header count",
       [](Session& s) {
         s.world.results["Count"] = {VT_I4, 3};
         EXPECT_EQ(s.document->FirstSectionHeaderCount(), 3);
       },
       {kDoc + ".Sections get()", kDoc + ".Sections.Item method|get(I4:1)", kHeaders + " get()",
        kHeaders + ".Count get()"}},
      {"replace by value",
       [](Session& s) {
         EXPECT_TRUE(s.document->ReplaceInPrimaryHeader("<Datum>", {"05-Dec-2026", false}));
       },
       replace("<Datum>, false, -, -, -, -, -, -, -, BSTR:05-Dec-2026, -, -, -, -, -)")},
      {"replace by reference, not found",
       [](Session& s) {
         s.world.results["Execute"] = {VT_BOOL, VARIANT_FALSE};
         EXPECT_FALSE(s.document->ReplaceInPrimaryHeader("<Objekt>", {" Hauptweg 4", true}));
       },
       replace("<Objekt>, false, -, -, -, -, -, -, -, BYREF|BSTR: Hauptweg 4, -, -, -, -, -)")},
      {"network table",
       [](Session& s) {
         static const std::string text =
             "A1\tStra\xC3\x9F"
             "e \xE2\x82\xAC\r\n";
         s.document->LayOutBodyAsTable(text, {2, {150.0f, 72.5f}, false, false});
       },
       join({{kDoc + ".Content get()", kDoc + ".Content.Text put(BSTR:A1\tStra\xC3\x9F"
                                              "e \xE2\x82\xAC\r\n)"},
             conversion,
             column_width(1, "150"),
             column_width(2, "72.5")})},
      {"road table: empty first row, content selected",
       [](Session& s) {
         static const std::string text = "B1\tB2\r\n";
         s.document->LayOutBodyAsTable(text, {2, {}, true, true});
       },
       join({{kDoc + ".Content get()", kDoc + ".Content.Text put(BSTR:\r\nB1\tB2\r\n)",
              kDoc + ".Content get()", kDoc + ".Content.Select method()"},
             conversion})},
      {"save",
       [](Session& s) { s.document->SaveAs(" Ziel 1.docx "); },
       {kDoc + ".SaveAs method(BSTR: Ziel 1.docx , -, -, -, -, -, -, -, -, -, -, -, -, -, -, -)"}},
      {"close", [](Session& s) { s.document->Close(); }, {kDoc + ".Close method(-, -, -)"}},
      {"quit",
       [](Session& s) { s.app->Quit(); },
       {"Application.Application method|get()", "Application.Application.Quit method(-, -, -)"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Session session;
    c.step(session);
    EXPECT_THAT(session.world.calls, ElementsAreArray(c.expected));
    EXPECT_THAT(session.ReleaseAll(), IsEmpty());
  }
}

// The table a layout made stays referenced across the document's close, is
// replaced by the next document's, and is given up when the application quits,
// whether or not the quit succeeds.
TEST(AutomationBackend, BodyTableIsKeptUntilTheNextTableOrQuit) {
  for (const bool quit_fails : {false, true}) {
    SCOPED_TRACE(quit_fails);
    Session session;
    const wordproc::TableLayout layout{1, {}, false, false};
    // The tables' texts outlive the documents, as the job's texts do.
    const std::string first = "a\r\n";
    const std::string second = "b\r\n";
    session.document->LayOutBodyAsTable(first, layout);
    session.document->Close();
    session.document = session.app->CreateDocument("t.dotx", false);
    session.document->LayOutBodyAsTable(second, layout);
    session.document->Close();
    session.document.reset();
    EXPECT_THAT(session.world.Unreleased(), ElementsAre("Application (1)", kTable + " (1)"));

    if (quit_fails) session.world.failures["Quit"] = {.hr = E_FAIL};
    if (quit_fails) {
      EXPECT_THAT(ErrorOf([&] { session.app->Quit(); }), StartsWith("Application.Quit failed"));
    } else {
      session.app->Quit();
    }
    EXPECT_THAT(session.world.Unreleased(), ElementsAre("Application (1)"));
    EXPECT_THAT(session.ReleaseAll(), IsEmpty());
  }
}

TEST(AutomationBackend, FailuresNameTheMemberTheStatusAndTheReason) {
  // An empty description leaves the reason to the system's text for the status.
  const std::vector<std::pair<test::Failure, ::testing::Matcher<std::string>>> cases = {
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
  Session s;
  for (const auto& [failure, message] : cases) {
    s.world.failures["Execute"] = failure;
    EXPECT_THAT(ErrorOf([&] {
                  s.document->ReplaceInPrimaryHeader("<Datum>", {"x", true});
                }),
                message);
  }

  const wordproc::TableLayout layout{1, {}, false, false};
  const std::string not_utf8 = "ab\xFF";
  const std::string short_text = "a";
  EXPECT_EQ(ErrorOf([&] { s.document->LayOutBodyAsTable(not_utf8, layout); }),
            "text for an automation call is not valid UTF-8");
  EXPECT_EQ(s.world.calls.back(), kDoc + ".Content get()");  // the text itself is never sent
  s.world.unknown_names.insert("Content");
  EXPECT_THAT(ErrorOf([&] { s.document->LayOutBodyAsTable(short_text, layout); }),
              StartsWith("name lookup of Document.Content failed with 0x80020006"));
  s.world.results["Count"] = {VT_EMPTY, 0};
  EXPECT_EQ(ErrorOf([&] { s.document->FirstSectionHeaderCount(); }),
            "HeadersFooters.Count returned no value");
  s.world.results["Documents"] = {VT_EMPTY, 0};
  EXPECT_EQ(ErrorOf([&] { s.app->CreateDocument("t.dotx", false); }),
            "Application.Documents returned no object (variant type 0)");
  EXPECT_THAT(s.ReleaseAll(), IsEmpty());
}

TEST(AutomationBackendCreation, UnregisteredProgIdThrowsWithStatus) {
  EXPECT_THAT(ErrorOf([] {
                wordproc::RunFiles run_files;
                AutomationBackend("ReportWord.NoSuchApplication").CreateApplication(run_files);
              }),
              StartsWith("CLSIDFromProgID(ReportWord.NoSuchApplication) failed with 0x800401F3"));
}

}  // namespace
}  // namespace reportword::automation

#endif  // REPORTWORD_AUTOMATION
