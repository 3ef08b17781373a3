// Test doubles for the outside world of a run. The word-processor backend
// appends one readable line per call to a shared call log, so that tests can
// check which calls were made and in which order; it can be told which files
// exist, which paths name the same file, how many headers a section has, and
// at which call to fail.
#pragma once

#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/message_box.h"
#include "docgen/date_text.h"
#include "wordproc/word_processor.h"
#include "wordproc/wordproc_error.h"

namespace reportword::fakes {

namespace wp = wordproc;

struct CallLog {
  struct Call {
    std::string text;
    bool getter;  // only hands out an object
  };

  std::vector<Call> calls;

  // Configuration.
  int header_count = 1;
  std::set<std::string> existing_files;
  std::set<std::pair<std::string, std::string>> same_files;  // either order
  // Pairs that become one file once the first is saved: spellings only the
  // file system can tell apart once the file exists.
  std::set<std::pair<std::string, std::string>> same_once_saved;

  // Makes the `occurrence`th call whose line starts with `prefix` fail, with the
  // interface's failure or, to stand for a failure outside the backend's own
  // checks, a plain std::runtime_error. The failing call is logged first.
  void FailAt(std::string prefix, int occurrence = 1, bool generation_error = true) {
    failures_.push_back({std::move(prefix), occurrence, generation_error});
  }

  void Record(std::string text, bool getter = false) {
    calls.push_back({text, getter});
    for (Failure& failure : failures_) {
      if (text.starts_with(failure.prefix) && --failure.remaining == 0) {
        if (failure.generation_error) throw wp::Error("injected failure at " + text);
        throw std::runtime_error("injected runtime failure at " + text);
      }
    }
  }

  // Every logged line, getters included.
  std::vector<std::string> All() const {
    std::vector<std::string> lines;
    for (const Call& call : calls) lines.push_back(call.text);
    return lines;
  }
  // The lines of calls that do something, without the getters between them.
  std::vector<std::string> Actions() const {
    std::vector<std::string> lines;
    for (const Call& call : calls) {
      if (!call.getter) lines.push_back(call.text);
    }
    return lines;
  }
  int Count(const std::string& line) const {
    int n = 0;
    for (const Call& call : calls) n += call.text == line ? 1 : 0;
    return n;
  }

 private:
  struct Failure {
    std::string prefix;
    int remaining;
    bool generation_error;
  };
  std::vector<Failure> failures_;
};

using LogPtr = std::shared_ptr<CallLog>;

// Control characters made visible, so that table texts read well in the log.
inline std::string Visible(const std::string& s) {
  std::string out;
  for (char c : s)
    out += c == '\r' ? "\\r" : c == '\n' ? "\\n" : c == '\t' ? "\\t" : std::string(1, c);
  return out;
}

inline std::string Bool(bool b) {
  return b ? "true" : "false";
}

// ", Name=value" for an argument that was passed; nothing for an omitted one.
template <typename T>
std::string Argument(const char* name, const std::optional<T>& value) {
  if (!value) return "";
  if constexpr (std::is_same_v<T, bool>) return std::string(", ") + name + "=" + Bool(*value);
  if constexpr (std::is_enum_v<T>) {
    return std::string(", ") + name + "=" + std::to_string(static_cast<int>(*value));
  }
  if constexpr (std::is_arithmetic_v<T> && !std::is_same_v<T, bool>) {
    std::ostringstream out;
    out << ", " << name << "=" << *value;
    return out.str();
  }
  return "";
}
inline std::string Number(float f) {
  return std::to_string(static_cast<int>(f));
}

// The part every recording object shares: the log, and getters that record
// their line and hand out the next recording object.
template <typename Interface>
class Recording : public Interface {
 public:
  explicit Recording(LogPtr log) : log_(std::move(log)) {}

 protected:
  template <typename Next, typename... Extra>
  std::unique_ptr<Next> Hand(const std::string& line, Extra... extra) {
    log_->Record(line, true);
    return std::make_unique<Next>(log_, extra...);
  }
  static std::string Indexed(const char* what, int index) {
    return std::string(what) + "(" + std::to_string(index) + ")";
  }
  LogPtr log_;
};

class RecordingFind : public Recording<wp::Find> {
 public:
  using Recording::Recording;
  bool Execute(const wp::FindExecuteArgs& args) override {
    std::string line = "Find.Execute(" + args.find_text;
    if (args.replace_with) {
      line +=
          ", " + args.replace_with->text + (args.replace_with->by_reference ? ", ref" : ", new");
    }
    // clang-format off
    line += Argument("MatchCase", args.match_case) + Argument("MatchWholeWord", args.match_whole_word) +
            Argument("MatchWildcards", args.match_wildcards) + Argument("MatchSoundsLike", args.match_sounds_like) +
            Argument("MatchAllWordForms", args.match_all_word_forms) + Argument("Forward", args.forward) +
            Argument("Wrap", args.wrap) + Argument("Format", args.format) + Argument("Replace", args.replace) +
            Argument("MatchKashida", args.match_kashida) + Argument("MatchDiacritics", args.match_diacritics) +
            Argument("MatchAlefHamza", args.match_alef_hamza) + Argument("MatchControl", args.match_control);
    // clang-format on
    log_->Record(line + ")");
    return true;
  }
};

class RecordingRange : public Recording<wp::Range> {
 public:
  using Recording::Recording;
  void SetText(const std::string& text) override { log_->Record("Range.Text=" + Visible(text)); }
  std::unique_ptr<wp::Find> GetFind() override { return Hand<RecordingFind>("Range.Find"); }
  void Select() override { log_->Record("Range.Select"); }
};

class RecordingHeaderFooter : public Recording<wp::HeaderFooter> {
 public:
  using Recording::Recording;
  std::unique_ptr<wp::Range> GetRange() override {
    return Hand<RecordingRange>("HeaderFooter.Range");
  }
};

class RecordingHeadersFooters : public Recording<wp::HeadersFooters> {
 public:
  using Recording::Recording;
  int Count() override {
    log_->Record("HeadersFooters.Count");
    return log_->header_count;
  }
  std::unique_ptr<wp::HeaderFooter> Item(int index) override {
    return Hand<RecordingHeaderFooter>(Indexed("HeadersFooters.Item", index));
  }
};

class RecordingSection : public Recording<wp::Section> {
 public:
  using Recording::Recording;
  std::unique_ptr<wp::HeadersFooters> GetHeaders() override {
    return Hand<RecordingHeadersFooters>("Section.Headers");
  }
};

class RecordingSections : public Recording<wp::Sections> {
 public:
  using Recording::Recording;
  std::unique_ptr<wp::Section> Item(int index) override {
    return Hand<RecordingSection>(Indexed("Sections.Item", index));
  }
};

class RecordingColumn : public Recording<wp::Column> {
 public:
  RecordingColumn(LogPtr log, int index) : Recording(std::move(log)), index_(index) {}
  void SetWidth(float points) override {
    log_->Record(Indexed("Column", index_) + ".Width=" + Number(points));
  }

 private:
  int index_;
};

class RecordingColumns : public Recording<wp::Columns> {
 public:
  using Recording::Recording;
  std::unique_ptr<wp::Column> Item(int index) override {
    return Hand<RecordingColumn>(Indexed("Columns.Item", index), index);
  }
};

class RecordingBorders : public Recording<wp::Borders> {
 public:
  using Recording::Recording;
  void SetOutsideLineStyle(wp::LineStyle style) override {
    log_->Record("Borders.OutsideLineStyle=" + std::to_string(static_cast<int>(style)));
  }
  void SetInsideLineStyle(wp::LineStyle style) override {
    log_->Record("Borders.InsideLineStyle=" + std::to_string(static_cast<int>(style)));
  }
};

class RecordingTable : public Recording<wp::Table> {
 public:
  using Recording::Recording;
  void SetPreferredWidthType(wp::PreferredWidthType type) override {
    log_->Record("Table.PreferredWidthType=" + std::to_string(static_cast<int>(type)));
  }
  void SetPreferredWidth(float width) override {
    log_->Record("Table.PreferredWidth=" + Number(width));
  }
  std::unique_ptr<wp::Borders> GetBorders() override {
    return Hand<RecordingBorders>("Table.Borders");
  }
  std::unique_ptr<wp::Columns> GetColumns() override {
    return Hand<RecordingColumns>("Table.Columns");
  }
};

class RecordingTables : public Recording<wp::Tables> {
 public:
  using Recording::Recording;
  std::unique_ptr<wp::Table> Item(int index) override {
    return Hand<RecordingTable>(Indexed("Tables.Item", index));
  }
};

class RecordingSelection : public Recording<wp::Selection> {
 public:
  using Recording::Recording;
  void WholeStory() override { log_->Record("Selection.WholeStory"); }
  std::unique_ptr<wp::Table> ConvertToTable(const wp::ConvertToTableArgs& args) override {
    // clang-format off
    const std::string line =
        Argument("Separator", args.separator) + Argument("NumRows", args.num_rows) + Argument("NumColumns", args.num_columns) +
        Argument("InitialColumnWidth", args.initial_column_width) + Argument("Format", args.format) +
        Argument("ApplyBorders", args.apply_borders) + Argument("ApplyShading", args.apply_shading) +
        Argument("ApplyFont", args.apply_font) + Argument("ApplyColor", args.apply_color) +
        Argument("ApplyHeadingRows", args.apply_heading_rows) + Argument("ApplyLastRow", args.apply_last_row) +
        Argument("ApplyFirstColumn", args.apply_first_column) + Argument("ApplyLastColumn", args.apply_last_column) +
        Argument("AutoFit", args.auto_fit) + Argument("AutoFitBehavior", args.auto_fit_behavior) +
        Argument("DefaultTableBehavior", args.default_table_behavior);
    // clang-format on
    log_->Record("Selection.ConvertToTable(" + line.substr(2) + ")");
    return std::make_unique<RecordingTable>(log_);
  }
  std::unique_ptr<wp::Tables> GetTables() override {
    return Hand<RecordingTables>("Selection.Tables");
  }
};

class RecordingApplication;

class RecordingDocument : public Recording<wp::Document> {
 public:
  using Recording::Recording;
  std::unique_ptr<wp::Application> GetApplication() override;
  std::unique_ptr<wp::Sections> GetSections() override {
    return Hand<RecordingSections>("Document.Sections");
  }
  std::unique_ptr<wp::Range> GetContent() override {
    return Hand<RecordingRange>("Document.Content");
  }
  void SaveAs(const std::string& file_name) override {
    log_->Record("Document.SaveAs(\"" + file_name + "\")");
    for (const auto& pair : log_->same_once_saved) {
      if (pair.first == file_name) log_->same_files.insert(pair);
    }
  }
  void Close() override { log_->Record("Document.Close"); }
};

class RecordingDocuments : public Recording<wp::Documents> {
 public:
  using Recording::Recording;
  std::unique_ptr<wp::Document> Add(const std::string& template_argument) override {
    log_->Record("Documents.Add(" + template_argument + ")");
    return std::make_unique<RecordingDocument>(log_);
  }
};

class RecordingApplication : public Recording<wp::Application> {
 public:
  using Recording::Recording;
  std::unique_ptr<wp::Application> GetApplication() override {
    return Hand<RecordingApplication>("Application.Application");
  }
  void SetVisible(bool visible) override { log_->Record("Application.Visible=" + Bool(visible)); }
  void SetDisplayAlerts(int alerts) override {
    log_->Record("Application.DisplayAlerts=" + std::to_string(alerts));
  }
  std::unique_ptr<wp::Documents> GetDocuments() override {
    return Hand<RecordingDocuments>("Application.Documents");
  }
  std::unique_ptr<wp::Selection> GetSelection() override {
    return Hand<RecordingSelection>("Application.Selection");
  }
  void Quit() override { log_->Record("Application.Quit"); }
};

inline std::unique_ptr<wp::Application> RecordingDocument::GetApplication() {
  return Hand<RecordingApplication>("Document.Application");
}

class RecordingFileSystem : public wp::FileSystem {
 public:
  explicit RecordingFileSystem(LogPtr log) : log_(std::move(log)) {}
  bool FileExists(const std::string& path) override {
    log_->Record("FileSystem.FileExists(" + path + ")");
    return log_->existing_files.contains(path);
  }
  bool SameFile(const std::string& a, const std::string& b) override {
    log_->Record("FileSystem.SameFile(" + a + ", " + b + ")");
    return a == b || log_->same_files.contains({a, b}) || log_->same_files.contains({b, a});
  }

 private:
  LogPtr log_;
};

class RecordingBackend : public wp::Backend {
 public:
  std::unique_ptr<wp::Application> CreateApplication() override {
    log->Record("Backend.CreateApplication");
    return std::make_unique<RecordingApplication>(log);
  }
  std::unique_ptr<wp::FileSystem> CreateFileSystem() override {
    log->Record("Backend.CreateFileSystem");
    return std::make_unique<RecordingFileSystem>(log);
  }

  LogPtr log = std::make_shared<CallLog>();
};

// The same date on every call; counts the calls.
class FixedDateSource : public DateSource {
 public:
  explicit FixedDateSource(std::string date = "06-Dec-2026") : date_(std::move(date)) {}
  std::string DateText() override {
    ++calls;
    return date_;
  }
  int calls = 0;

 private:
  std::string date_;
};

// Keeps the messages instead of showing them.
class RecordingMessageDisplay : public MessageDisplay {
 public:
  struct Message {
    std::string prompt;
    MessageStyle style;
  };
  void Show(const std::string& prompt, MessageStyle style) override {
    shown.push_back({prompt, style});
  }
  std::vector<Message> shown;
};

}  // namespace reportword::fakes
