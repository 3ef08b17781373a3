// Test doubles for the outside world of a run. The word-processor backend
// appends one readable line per call to a shared call log, so that tests can
// check which calls were made and in which order; it can be told which files
// exist, which paths name the same file, how many headers a section has, and
// at which call to fail.
#pragma once

#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "app/message_box.h"
#include "docgen/date_text.h"
#include "app/generation_error.h"
#include "docgen/wordproc/word_processor.h"

namespace reportword::fakes {

namespace wp = wordproc;

struct CallLog {
  struct Call {
    std::string text;
    bool getter;  // only hands out an object
  };

  std::vector<Call> calls;
  std::vector<wp::FindExecuteArgs> finds;
  std::vector<wp::ConvertToTableArgs> conversions;

  // Configuration.
  int header_count = 1;
  std::set<std::string> existing_files;
  std::set<std::pair<std::string, std::string>> same_files;  // either order

  // Makes the `occurrence`th call whose line starts with `prefix` fail, with a
  // GenerationError or, to stand for a failure outside the backend's own
  // checks, a plain std::runtime_error. The failing call is logged first.
  void FailAt(std::string prefix, int occurrence = 1, bool generation_error = true) {
    failures_.push_back({std::move(prefix), occurrence, generation_error});
  }

  void Record(std::string text, bool getter = false) {
    calls.push_back({text, getter});
    for (Failure& failure : failures_) {
      if (text.starts_with(failure.prefix) && --failure.remaining == 0) {
        if (failure.generation_error) throw GenerationError("injected failure at " + text);
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
  for (char c : s) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else {
      out.push_back(c);
    }
  }
  return out;
}

inline std::string Bool(bool b) {
  return b ? "true" : "false";
}
inline std::string Number(float f) {
  return std::to_string(static_cast<int>(f));
}

class RecordingFind : public wp::Find {
 public:
  explicit RecordingFind(LogPtr log) : log_(std::move(log)) {}
  bool Execute(const wp::FindExecuteArgs& args) override {
    log_->finds.push_back(args);
    std::string line = "Find.Execute(" + args.find_text;
    if (args.replace_with) {
      line +=
          ", " + args.replace_with->text + (args.replace_with->by_reference ? ", ref" : ", new");
    }
    log_->Record(line + ")");
    return true;
  }

 private:
  LogPtr log_;
};

class RecordingRange : public wp::Range {
 public:
  explicit RecordingRange(LogPtr log) : log_(std::move(log)) {}
  void SetText(const std::string& text) override { log_->Record("Range.Text=" + Visible(text)); }
  std::unique_ptr<wp::Find> GetFind() override {
    log_->Record("Range.Find", true);
    return std::make_unique<RecordingFind>(log_);
  }
  void Select() override { log_->Record("Range.Select"); }

 private:
  LogPtr log_;
};

class RecordingHeaderFooter : public wp::HeaderFooter {
 public:
  explicit RecordingHeaderFooter(LogPtr log) : log_(std::move(log)) {}
  std::unique_ptr<wp::Range> GetRange() override {
    log_->Record("HeaderFooter.Range", true);
    return std::make_unique<RecordingRange>(log_);
  }

 private:
  LogPtr log_;
};

class RecordingHeadersFooters : public wp::HeadersFooters {
 public:
  explicit RecordingHeadersFooters(LogPtr log) : log_(std::move(log)) {}
  int Count() override {
    log_->Record("HeadersFooters.Count");
    return log_->header_count;
  }
  std::unique_ptr<wp::HeaderFooter> Item(int index) override {
    log_->Record("HeadersFooters.Item(" + std::to_string(index) + ")", true);
    return std::make_unique<RecordingHeaderFooter>(log_);
  }

 private:
  LogPtr log_;
};

class RecordingSection : public wp::Section {
 public:
  explicit RecordingSection(LogPtr log) : log_(std::move(log)) {}
  std::unique_ptr<wp::HeadersFooters> GetHeaders() override {
    log_->Record("Section.Headers", true);
    return std::make_unique<RecordingHeadersFooters>(log_);
  }

 private:
  LogPtr log_;
};

class RecordingSections : public wp::Sections {
 public:
  explicit RecordingSections(LogPtr log) : log_(std::move(log)) {}
  std::unique_ptr<wp::Section> Item(int index) override {
    log_->Record("Sections.Item(" + std::to_string(index) + ")", true);
    return std::make_unique<RecordingSection>(log_);
  }

 private:
  LogPtr log_;
};

class RecordingColumn : public wp::Column {
 public:
  RecordingColumn(LogPtr log, int index) : log_(std::move(log)), index_(index) {}
  void SetWidth(float points) override {
    log_->Record("Column(" + std::to_string(index_) + ").Width=" + Number(points));
  }

 private:
  LogPtr log_;
  int index_;
};

class RecordingColumns : public wp::Columns {
 public:
  explicit RecordingColumns(LogPtr log) : log_(std::move(log)) {}
  std::unique_ptr<wp::Column> Item(int index) override {
    log_->Record("Columns.Item(" + std::to_string(index) + ")", true);
    return std::make_unique<RecordingColumn>(log_, index);
  }

 private:
  LogPtr log_;
};

class RecordingBorders : public wp::Borders {
 public:
  explicit RecordingBorders(LogPtr log) : log_(std::move(log)) {}
  void SetOutsideLineStyle(wp::LineStyle style) override {
    log_->Record("Borders.OutsideLineStyle=" + std::to_string(static_cast<int>(style)));
  }
  void SetInsideLineStyle(wp::LineStyle style) override {
    log_->Record("Borders.InsideLineStyle=" + std::to_string(static_cast<int>(style)));
  }

 private:
  LogPtr log_;
};

class RecordingTable : public wp::Table {
 public:
  explicit RecordingTable(LogPtr log) : log_(std::move(log)) {}
  void SetPreferredWidthType(wp::PreferredWidthType type) override {
    log_->Record("Table.PreferredWidthType=" + std::to_string(static_cast<int>(type)));
  }
  void SetPreferredWidth(float width) override {
    log_->Record("Table.PreferredWidth=" + Number(width));
  }
  std::unique_ptr<wp::Borders> GetBorders() override {
    log_->Record("Table.Borders", true);
    return std::make_unique<RecordingBorders>(log_);
  }
  std::unique_ptr<wp::Columns> GetColumns() override {
    log_->Record("Table.Columns", true);
    return std::make_unique<RecordingColumns>(log_);
  }

 private:
  LogPtr log_;
};

class RecordingTables : public wp::Tables {
 public:
  explicit RecordingTables(LogPtr log) : log_(std::move(log)) {}
  std::unique_ptr<wp::Table> Item(int index) override {
    log_->Record("Tables.Item(" + std::to_string(index) + ")", true);
    return std::make_unique<RecordingTable>(log_);
  }

 private:
  LogPtr log_;
};

class RecordingSelection : public wp::Selection {
 public:
  explicit RecordingSelection(LogPtr log) : log_(std::move(log)) {}
  void WholeStory() override { log_->Record("Selection.WholeStory"); }
  std::unique_ptr<wp::Table> ConvertToTable(const wp::ConvertToTableArgs& args) override {
    log_->conversions.push_back(args);
    log_->Record("Selection.ConvertToTable(" +
                 (args.num_columns ? std::to_string(*args.num_columns) : std::string("-")) +
                 " columns)");
    return std::make_unique<RecordingTable>(log_);
  }
  std::unique_ptr<wp::Tables> GetTables() override {
    log_->Record("Selection.Tables", true);
    return std::make_unique<RecordingTables>(log_);
  }

 private:
  LogPtr log_;
};

class RecordingDocument : public wp::Document {
 public:
  explicit RecordingDocument(LogPtr log);
  std::unique_ptr<wp::Application> GetApplication() override;
  std::unique_ptr<wp::Sections> GetSections() override {
    log_->Record("Document.Sections", true);
    return std::make_unique<RecordingSections>(log_);
  }
  std::unique_ptr<wp::Range> GetContent() override {
    log_->Record("Document.Content", true);
    return std::make_unique<RecordingRange>(log_);
  }
  void SaveAs(const std::string& file_name) override {
    log_->Record("Document.SaveAs(\"" + file_name + "\")");
  }
  void Close() override { log_->Record("Document.Close"); }

 private:
  LogPtr log_;
};

class RecordingDocuments : public wp::Documents {
 public:
  explicit RecordingDocuments(LogPtr log) : log_(std::move(log)) {}
  std::unique_ptr<wp::Document> Add(const std::string& template_argument) override {
    log_->Record("Documents.Add(" + template_argument + ")");
    return std::make_unique<RecordingDocument>(log_);
  }

 private:
  LogPtr log_;
};

class RecordingApplication : public wp::Application {
 public:
  explicit RecordingApplication(LogPtr log) : log_(std::move(log)) {}
  std::unique_ptr<wp::Application> GetApplication() override {
    log_->Record("Application.Application", true);
    return std::make_unique<RecordingApplication>(log_);
  }
  void SetVisible(bool visible) override { log_->Record("Application.Visible=" + Bool(visible)); }
  void SetDisplayAlerts(int alerts) override {
    log_->Record("Application.DisplayAlerts=" + std::to_string(alerts));
  }
  std::unique_ptr<wp::Documents> GetDocuments() override {
    log_->Record("Application.Documents", true);
    return std::make_unique<RecordingDocuments>(log_);
  }
  std::unique_ptr<wp::Selection> GetSelection() override {
    log_->Record("Application.Selection", true);
    return std::make_unique<RecordingSelection>(log_);
  }
  void Quit() override { log_->Record("Application.Quit"); }

 private:
  LogPtr log_;
};

inline RecordingDocument::RecordingDocument(LogPtr log) : log_(std::move(log)) {}
inline std::unique_ptr<wp::Application> RecordingDocument::GetApplication() {
  log_->Record("Document.Application", true);
  return std::make_unique<RecordingApplication>(log_);
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
