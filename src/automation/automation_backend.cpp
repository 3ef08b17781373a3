#include "automation/automation_backend.h"

#include <memory>
#include <utility>
#include <vector>

#include "automation/object_model.h"
#include "text/failure.h"
#include "text/translate.h"
#include "wordproc/local_file_system.h"

namespace reportword::automation {

namespace {

// Every object a call returns is a reference of its own, released when the
// DispatchObject holding it goes out of scope.
DispatchObject GetObject(const DispatchObject& owner, const char* member, const char* type_name) {
  return owner.ObjectFrom(member, owner.Get(member), type_name);
}

DispatchObject GetItem(const DispatchObject& collection, int index, const char* type_name) {
  return collection.ObjectFrom(
      "Item", collection.CallOrGet("Item", MakeArgs(Variant::Int32(index))), type_name);
}

// The object's own "Application" property: servers expose it as a method or a
// property.
DispatchObject ApplicationOf(const DispatchObject& owner) {
  return owner.ObjectFrom("Application", owner.CallOrGet("Application"), "Application");
}

DispatchObject PrimaryHeaderFind(const DispatchObject& document) {
  const DispatchObject sections = GetObject(document, "Sections", "Sections");
  const DispatchObject section = GetItem(sections, 1, "Section");
  const DispatchObject headers = GetObject(section, "Headers", "HeadersFooters");
  const DispatchObject header = GetItem(headers, kHeaderFooterPrimary, "HeaderFooter");
  const DispatchObject range = GetObject(header, "Range", "Range");
  return GetObject(range, "Find", "Find");
}

ConvertToTableArgs TabSeparatedConversion(short columns) {
  // More rows than any report has, so that the column count alone shapes the
  // table; the borders it draws are taken off afterwards.
  constexpr double kRowLimit = 10000.0;
  ConvertToTableArgs args;
  args.separator = TableSeparator::kTabs;
  args.num_rows = kRowLimit;
  args.num_columns = columns;
  args.format = kTableFormatNone;
  args.apply_borders = true;
  args.apply_shading = false;
  args.apply_font = false;
  args.apply_color = false;
  args.apply_heading_rows = false;
  args.apply_last_row = false;
  args.apply_first_column = false;
  args.apply_last_column = false;
  args.auto_fit = false;
  args.auto_fit_behavior = AutoFitBehavior::kFixed;
  return args;
}

// What the application and its documents share: the application object, and
// the body table last made, which is kept until the next one replaces it or
// the application quits.
struct Session {
  DispatchObject application;
  DispatchObject body_table;
};

class AutomationDocument final : public wordproc::Document {
 public:
  AutomationDocument(DispatchObject document, std::shared_ptr<Session> session)
      : document_(std::move(document)), session_(std::move(session)) {}

  int FirstSectionHeaderCount() override {
    const DispatchObject sections = GetObject(document_, "Sections", "Sections");
    const DispatchObject section = GetItem(sections, 1, "Section");
    const DispatchObject headers = GetObject(section, "Headers", "HeadersFooters");
    return headers.IntFrom("Count", headers.Get("Count"));
  }

  bool ReplaceInPrimaryHeader(const std::string& find_text,
                              const wordproc::Replacement& replacement) override {
    FindExecuteArgs args;
    args.find_text = find_text;
    args.match_case = false;
    args.replace_with = replacement;
    return ExecuteFind(PrimaryHeaderFind(document_), args);
  }

  void LayOutBodyAsTable(const std::string& table_text,
                         const wordproc::TableLayout& layout) override {
    GetObject(document_, "Content", "Range")
        .Put("Text", Variant::String(layout.leading_empty_row ? "\r\n" + table_text : table_text));

    // The selection is fetched anew for every step because each step may move
    // it.
    if (layout.selects_content) GetObject(document_, "Content", "Range").Call("Select");
    Selection().Call("WholeStory");
    DispatchObject table = ConvertToTable(Selection(), TabSeparatedConversion(layout.columns));

    constexpr float kFullWidthPercent = 100.0f;
    table.Put("PreferredWidthType", Variant::Int32(static_cast<int>(PreferredWidthType::kPercent)));
    table.Put("PreferredWidth", Variant::Float(kFullWidthPercent));
    const auto no_line = [] { return Variant::Int32(static_cast<int>(LineStyle::kNone)); };
    GetObject(table, "Borders", "Borders").Put("OutsideLineStyle", no_line());
    GetObject(table, "Borders", "Borders").Put("InsideLineStyle", no_line());

    // The widths go to the first table of the selection: the one just made.
    int column = 0;
    for (const float width : layout.column_widths_points) {
      const DispatchObject tables = GetObject(Selection(), "Tables", "Tables");
      const DispatchObject columns = GetObject(GetItem(tables, 1, "Table"), "Columns", "Columns");
      GetItem(columns, ++column, "Column").Put("Width", Variant::Float(width));
    }
    session_->body_table = std::move(table);
  }

  void SaveAs(const std::string& target_path) override {
    std::vector<Variant> args = MakeArgs(Variant::String(target_path));
    AppendOmitted(args, 15);
    document_.Call("SaveAs", std::move(args));
  }

  void Close() override {
    std::vector<Variant> args;
    AppendOmitted(args, 3);
    document_.Call("Close", std::move(args));
  }

 private:
  DispatchObject Selection() const {
    return GetObject(session_->application, "Selection", "Selection");
  }

  DispatchObject document_;
  std::shared_ptr<Session> session_;
};

class AutomationApplication final : public wordproc::Application {
 public:
  explicit AutomationApplication(DispatchObject application)
      : session_(std::make_shared<Session>()) {
    session_->application = std::move(application);
  }

  std::unique_ptr<wordproc::Document> CreateDocument(const std::string& template_path,
                                                     bool turn_alerts_off) override {
    const DispatchObject& application = session_->application;
    ApplicationOf(application).Put("Visible", Variant::Bool(false));
    if (turn_alerts_off) application.Put("DisplayAlerts", Variant::Int32(kAlertsNone));

    const DispatchObject documents = GetObject(application, "Documents", "Documents");
    // The template goes in quoted, so that a path with blanks stays one
    // argument.
    std::vector<Variant> args = MakeArgs(Variant::String("\"" + template_path + "\""));
    AppendOmitted(args, 3);
    DispatchObject document =
        documents.ObjectFrom("Add", documents.Call("Add", std::move(args)), "Document");
    ApplicationOf(document).Put("Visible", Variant::Bool(false));
    return std::make_unique<AutomationDocument>(std::move(document), session_);
  }

  // The word processor converts nothing at the edges: there is nothing to
  // prepare.
  void ExpectDocuments(const std::vector<wordproc::PlannedDocument>&) override {}
  void Quit() override {
    std::vector<Variant> args;
    AppendOmitted(args, 3);
    // The body table goes after the attempt either way: once the application
    // has been told to quit, nothing uses it any more.
    try {
      ApplicationOf(session_->application).Call("Quit", std::move(args));
    } catch (...) {
      session_->body_table = DispatchObject();
      throw;
    }
    session_->body_table = DispatchObject();
  }

 private:
  std::shared_ptr<Session> session_;
};

}  // namespace

std::unique_ptr<wordproc::Application> WrapApplication(IDispatch* application) {
  if (application == nullptr) throw Failure(text::Translate("no application object to wrap"));
  return std::make_unique<AutomationApplication>(DispatchObject::Share(application, "Application"));
}

AutomationBackend::AutomationBackend(std::string prog_id) : prog_id_(std::move(prog_id)) {}

// The word processor saves by itself; the input checks and the check of the
// second target just before its save are what guards the run's own files.
std::unique_ptr<wordproc::Application> AutomationBackend::CreateApplication(
    wordproc::RunFiles& /*run_files*/) {
  return std::make_unique<AutomationApplication>(CreateDispatchObject(prog_id_, "Application"));
}

std::unique_ptr<wordproc::FileSystem> AutomationBackend::CreateFileSystem() {
  return std::make_unique<wordproc::LocalFileSystem>();
}

}  // namespace reportword::automation
