#include "automation/automation_backend.h"

#include <utility>
#include <vector>

#include "automation/dispatch.h"
#include "text/translate.h"
#include "wordproc/local_file_system.h"
#include "wordproc/wordproc_error.h"

namespace reportword::automation {

namespace {

// Each wrapper holds one reference to its automation object and does nothing
// but marshal the interface's calls to it.
class ObjectWrapper {
 public:
  explicit ObjectWrapper(DispatchObject object) : object_(std::move(object)) {}

 protected:
  // The object a member returns, wrapped in `Wrapper`.
  template <typename Wrapper>
  std::unique_ptr<Wrapper> Wrap(const char* member, Variant result, const char* type_name) const {
    return std::make_unique<Wrapper>(object_.ObjectFrom(member, std::move(result), type_name));
  }
  template <typename Wrapper>
  std::unique_ptr<Wrapper> GetObject(const char* member, const char* type_name) const {
    return Wrap<Wrapper>(member, object_.Get(member), type_name);
  }
  template <typename Wrapper>
  std::unique_ptr<Wrapper> GetItem(int index, const char* type_name) const {
    return Wrap<Wrapper>("Item", object_.CallOrGet("Item", MakeArgs(Variant::Int32(index))),
                         type_name);
  }

  DispatchObject object_;
};

std::vector<Variant> OmittedArgs(size_t count) {
  std::vector<Variant> args;
  args.reserve(count);
  AppendOmitted(args, count);
  return args;
}

Variant BoolArgument(const std::optional<bool>& value) {
  return OptionalArgument(value, Variant::Bool);
}

Variant Int32Argument(const std::optional<int>& value) {
  return OptionalArgument(value, Variant::Int32);
}

template <typename Enum>
Variant EnumArgument(const std::optional<Enum>& value) {
  return OptionalArgument(value, [](Enum e) { return Variant::Int32(static_cast<int>(e)); });
}

class AutomationColumn final : public wordproc::Column, ObjectWrapper {
 public:
  using ObjectWrapper::ObjectWrapper;
  void SetWidth(float points) override { object_.Put("Width", Variant::Float(points)); }
};

class AutomationColumns final : public wordproc::Columns, ObjectWrapper {
 public:
  using ObjectWrapper::ObjectWrapper;
  std::unique_ptr<wordproc::Column> Item(int index) override {
    return GetItem<AutomationColumn>(index, "Column");
  }
};

class AutomationBorders final : public wordproc::Borders, ObjectWrapper {
 public:
  using ObjectWrapper::ObjectWrapper;
  void SetOutsideLineStyle(wordproc::LineStyle style) override {
    object_.Put("OutsideLineStyle", Variant::Int32(static_cast<int>(style)));
  }
  void SetInsideLineStyle(wordproc::LineStyle style) override {
    object_.Put("InsideLineStyle", Variant::Int32(static_cast<int>(style)));
  }
};

class AutomationTable final : public wordproc::Table, ObjectWrapper {
 public:
  using ObjectWrapper::ObjectWrapper;
  void SetPreferredWidthType(wordproc::PreferredWidthType type) override {
    object_.Put("PreferredWidthType", Variant::Int32(static_cast<int>(type)));
  }
  void SetPreferredWidth(float width) override {
    object_.Put("PreferredWidth", Variant::Float(width));
  }
  std::unique_ptr<wordproc::Borders> GetBorders() override {
    return GetObject<AutomationBorders>("Borders", "Borders");
  }
  std::unique_ptr<wordproc::Columns> GetColumns() override {
    return GetObject<AutomationColumns>("Columns", "Columns");
  }
};

class AutomationTables final : public wordproc::Tables, ObjectWrapper {
 public:
  using ObjectWrapper::ObjectWrapper;
  std::unique_ptr<wordproc::Table> Item(int index) override {
    return GetItem<AutomationTable>(index, "Table");
  }
};

class AutomationSelection final : public wordproc::Selection, ObjectWrapper {
 public:
  using ObjectWrapper::ObjectWrapper;
  void WholeStory() override { object_.Call("WholeStory"); }

  std::unique_ptr<wordproc::Table> ConvertToTable(const wordproc::ConvertToTableArgs& a) override {
    std::vector<Variant> args;
    args.reserve(16);
    args.push_back(EnumArgument(a.separator));
    args.push_back(OptionalArgument(a.num_rows, Variant::Double));
    args.push_back(OptionalArgument(a.num_columns, Variant::Int16));
    args.push_back(OptionalArgument(a.initial_column_width, Variant::Float));
    args.push_back(Int32Argument(a.format));
    args.push_back(BoolArgument(a.apply_borders));
    args.push_back(BoolArgument(a.apply_shading));
    args.push_back(BoolArgument(a.apply_font));
    args.push_back(BoolArgument(a.apply_color));
    args.push_back(BoolArgument(a.apply_heading_rows));
    args.push_back(BoolArgument(a.apply_last_row));
    args.push_back(BoolArgument(a.apply_first_column));
    args.push_back(BoolArgument(a.apply_last_column));
    args.push_back(BoolArgument(a.auto_fit));
    args.push_back(EnumArgument(a.auto_fit_behavior));
    args.push_back(Int32Argument(a.default_table_behavior));
    return Wrap<AutomationTable>("ConvertToTable", object_.Call("ConvertToTable", std::move(args)),
                                 "Table");
  }

  std::unique_ptr<wordproc::Tables> GetTables() override {
    return GetObject<AutomationTables>("Tables", "Tables");
  }
};

class AutomationFind final : public wordproc::Find, ObjectWrapper {
 public:
  using ObjectWrapper::ObjectWrapper;

  bool Execute(const wordproc::FindExecuteArgs& a) override {
    // A replacement passed by reference points at `replacement`, which
    // therefore stays put and alive until the call has returned.
    Variant replacement;
    Variant replace_with = Variant::Omitted();
    if (a.replace_with) {
      replacement = Variant::String(a.replace_with->text);
      replace_with = a.replace_with->by_reference ? Variant::StringReference(replacement)
                                                  : std::move(replacement);
    }

    std::vector<Variant> args;
    args.reserve(15);
    args.push_back(Variant::String(a.find_text));
    args.push_back(BoolArgument(a.match_case));
    args.push_back(BoolArgument(a.match_whole_word));
    args.push_back(BoolArgument(a.match_wildcards));
    args.push_back(BoolArgument(a.match_sounds_like));
    args.push_back(BoolArgument(a.match_all_word_forms));
    args.push_back(BoolArgument(a.forward));
    args.push_back(Int32Argument(a.wrap));
    args.push_back(BoolArgument(a.format));
    args.push_back(std::move(replace_with));
    args.push_back(Int32Argument(a.replace));
    args.push_back(BoolArgument(a.match_kashida));
    args.push_back(BoolArgument(a.match_diacritics));
    args.push_back(BoolArgument(a.match_alef_hamza));
    args.push_back(BoolArgument(a.match_control));
    return object_.BoolFrom("Execute", object_.Call("Execute", std::move(args)));
  }
};

class AutomationRange final : public wordproc::Range, ObjectWrapper {
 public:
  using ObjectWrapper::ObjectWrapper;
  void SetText(const std::string& text) override { object_.Put("Text", Variant::String(text)); }
  std::unique_ptr<wordproc::Find> GetFind() override {
    return GetObject<AutomationFind>("Find", "Find");
  }
  void Select() override { object_.Call("Select"); }
};

class AutomationHeaderFooter final : public wordproc::HeaderFooter, ObjectWrapper {
 public:
  using ObjectWrapper::ObjectWrapper;
  std::unique_ptr<wordproc::Range> GetRange() override {
    return GetObject<AutomationRange>("Range", "Range");
  }
};

class AutomationHeadersFooters final : public wordproc::HeadersFooters, ObjectWrapper {
 public:
  using ObjectWrapper::ObjectWrapper;
  int Count() override { return object_.IntFrom("Count", object_.Get("Count")); }
  std::unique_ptr<wordproc::HeaderFooter> Item(int index) override {
    return GetItem<AutomationHeaderFooter>(index, "HeaderFooter");
  }
};

class AutomationSection final : public wordproc::Section, ObjectWrapper {
 public:
  using ObjectWrapper::ObjectWrapper;
  std::unique_ptr<wordproc::HeadersFooters> GetHeaders() override {
    return GetObject<AutomationHeadersFooters>("Headers", "HeadersFooters");
  }
};

class AutomationSections final : public wordproc::Sections, ObjectWrapper {
 public:
  using ObjectWrapper::ObjectWrapper;
  std::unique_ptr<wordproc::Section> Item(int index) override {
    return GetItem<AutomationSection>(index, "Section");
  }
};

class AutomationApplication;

class AutomationDocument final : public wordproc::Document, ObjectWrapper {
 public:
  using ObjectWrapper::ObjectWrapper;
  std::unique_ptr<wordproc::Application> GetApplication() override;
  std::unique_ptr<wordproc::Sections> GetSections() override {
    return GetObject<AutomationSections>("Sections", "Sections");
  }
  std::unique_ptr<wordproc::Range> GetContent() override {
    return GetObject<AutomationRange>("Content", "Range");
  }
  void SaveAs(const std::string& file_name) override {
    std::vector<Variant> args = MakeArgs(Variant::String(file_name));
    AppendOmitted(args, 15);
    object_.Call("SaveAs", std::move(args));
  }
  void Close() override { object_.Call("Close", OmittedArgs(3)); }
};

class AutomationDocuments final : public wordproc::Documents, ObjectWrapper {
 public:
  using ObjectWrapper::ObjectWrapper;
  std::unique_ptr<wordproc::Document> Add(const std::string& template_argument) override {
    std::vector<Variant> args = MakeArgs(Variant::String(template_argument));
    AppendOmitted(args, 3);
    return Wrap<AutomationDocument>("Add", object_.Call("Add", std::move(args)), "Document");
  }
};

class AutomationApplication final : public wordproc::Application, ObjectWrapper {
 public:
  using ObjectWrapper::ObjectWrapper;
  std::unique_ptr<wordproc::Application> GetApplication() override {
    return Wrap<AutomationApplication>("Application", object_.CallOrGet("Application"),
                                       "Application");
  }
  void SetVisible(bool visible) override { object_.Put("Visible", Variant::Bool(visible)); }
  void SetDisplayAlerts(int alerts) override {
    object_.Put("DisplayAlerts", Variant::Int32(alerts));
  }
  std::unique_ptr<wordproc::Documents> GetDocuments() override {
    return GetObject<AutomationDocuments>("Documents", "Documents");
  }
  std::unique_ptr<wordproc::Selection> GetSelection() override {
    return GetObject<AutomationSelection>("Selection", "Selection");
  }
  void Quit() override { object_.Call("Quit", OmittedArgs(3)); }
};

std::unique_ptr<wordproc::Application> AutomationDocument::GetApplication() {
  return Wrap<AutomationApplication>("Application", object_.CallOrGet("Application"),
                                     "Application");
}

}  // namespace

std::unique_ptr<wordproc::Application> WrapApplication(IDispatch* application) {
  if (application == nullptr)
    throw wordproc::Error(text::Translate("no application object to wrap"));
  return std::make_unique<AutomationApplication>(DispatchObject::Share(application, "Application"));
}

AutomationBackend::AutomationBackend(std::string prog_id) : prog_id_(std::move(prog_id)) {}

std::unique_ptr<wordproc::Application> AutomationBackend::CreateApplication() {
  return std::make_unique<AutomationApplication>(
      CreateDispatchObject(Utf8ToWide(prog_id_), "Application"));
}

std::unique_ptr<wordproc::FileSystem> AutomationBackend::CreateFileSystem() {
  return std::make_unique<wordproc::LocalFileSystem>();
}

}  // namespace reportword::automation
