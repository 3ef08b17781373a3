// The recording backend: the word processor and file system of a run. It logs
// one readable line per document step, so that tests see which steps were
// taken, with what, in which order; it is told which files exist, which paths
// name one file, how many headers a section has, and at which step to fail.
#pragma once

#include <algorithm>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "run_doubles.h"
#include "text/failure.h"
#include "wordproc/word_processor.h"

namespace reportword::fakes {

namespace wp = wordproc;

struct CallLog {
  std::vector<std::string> calls;

  int header_count = 1;
  std::set<std::string> existing_files;
  std::set<std::pair<std::string, std::string>> same_files;  // either order
  // Pairs that become one file once the first is saved: spellings only the
  // file system can tell apart once the file exists.
  std::set<std::pair<std::string, std::string>> same_once_saved;

  // What a failing step throws: the interface's failure, its input check
  // found failing at a save, a plain std::runtime_error (a failure outside the
  // backend's own checks), or an int (something that is no exception class).
  enum class Thrown { kInterfaceError, kTargetIsInput, kRuntimeError, kInt };
  // Makes the `occurrence`th step whose line starts with `prefix` fail. The
  // failing step is logged first.
  void FailAt(std::string prefix, int occurrence = 1, Thrown thrown = Thrown::kInterfaceError) {
    failures_.emplace_back(std::move(prefix), occurrence, thrown);
  }

  void Record(const std::string& text) {
    calls.push_back(text);
    for (auto& [prefix, remaining, thrown] : failures_) {
      if (text.starts_with(prefix) && --remaining == 0) {
        if (thrown == Thrown::kInterfaceError) throw Failure("injected failure at " + text);
        if (thrown == Thrown::kTargetIsInput)
          throw InputCheckFailure(FailedInputCheck::kTargetIsInput, "injected at " + text);
        if (thrown == Thrown::kRuntimeError)
          throw std::runtime_error("injected runtime failure at " + text);
        throw 42;
      }
    }
  }
  int Count(const std::string& line) const {
    return static_cast<int>(std::ranges::count(calls, line));
  }

 private:
  // Prefix, occurrences left before it fails, what it throws.
  std::vector<std::tuple<std::string, int, Thrown>> failures_;
};

using LogPtr = std::shared_ptr<CallLog>;

// Line ends and tabs made visible, so that table texts read well in the log.
inline std::string Visible(const std::string& s) {
  std::string out;
  for (char c : s)
    out += c == '\r' ? "\\r" : c == '\n' ? "\\n" : c == '\t' ? "\\t" : std::string(1, c);
  return out;
}

class RecordingDocument : public wp::Document {
 public:
  explicit RecordingDocument(LogPtr log) : log_(std::move(log)) {}
  int FirstSectionHeaderCount() override {
    log_->Record("HeaderCount");
    return log_->header_count;
  }
  bool ReplaceInPrimaryHeader(const std::string& find, const wp::Replacement& with) override {
    log_->Record("Replace(" + find + ", " + with.text + (with.by_reference ? ", ref)" : ")"));
    return true;
  }
  void LayOutBodyAsTable(const std::string& text, const wp::TableLayout& layout) override {
    std::string line = "Table(" + Visible(text) + ", " + std::to_string(layout.columns);
    for (float width : layout.column_widths_points) line += " " + std::to_string(int(width));
    if (layout.leading_empty_row) line += ", empty row";
    if (layout.selects_content) line += ", selects";
    log_->Record(line + ")");
  }
  void SaveAs(const std::string& target) override {
    log_->Record("SaveAs(" + target + ")");
    for (const auto& pair : log_->same_once_saved) {
      if (pair.first == target) log_->same_files.insert(pair);
    }
  }
  void Close() override { log_->Record("Close"); }

 private:
  LogPtr log_;
};

class RecordingApplication : public wp::Application {
 public:
  explicit RecordingApplication(LogPtr log) : log_(std::move(log)) {}
  std::unique_ptr<wp::Document> CreateDocument(const std::string& path, bool alerts_off) override {
    log_->Record("Create(" + path + (alerts_off ? ", alerts off)" : ")"));
    return std::make_unique<RecordingDocument>(log_);
  }
  void ExpectDocuments(const std::vector<wp::PlannedDocument>& documents) override {
    std::string line = "Expect(";
    for (const wp::PlannedDocument& d : documents)
      line += (line.size() > 7 ? ", " : "") + d.template_path + " > " + d.target_path;
    log_->Record(line + ")");
  }
  void Quit() override { log_->Record("Quit"); }

 private:
  LogPtr log_;
};

class RecordingFileSystem : public wp::FileSystem {
 public:
  explicit RecordingFileSystem(LogPtr log) : log_(std::move(log)) {}
  bool FileExists(const std::string& path) override {
    log_->Record("FileExists(" + path + ")");
    return log_->existing_files.contains(path);
  }
  bool SameFile(const std::string& a, const std::string& b) override {
    log_->Record("SameFile(" + a + ", " + b + ")");
    return a == b || log_->same_files.contains({a, b}) || log_->same_files.contains({b, a});
  }
  std::optional<wp::FileIdentity> IdentityOf(const std::string& path) override {
    log_->Record("IdentityOf(" + path + ")");
    return std::nullopt;
  }
  void CheckSaveTarget(const std::string& path) override {
    log_->Record("CheckSaveTarget(" + path + ")");
  }

 private:
  LogPtr log_;
};

class RecordingBackend : public wp::Backend {
 public:
  std::unique_ptr<wp::Application> CreateApplication(wp::RunFiles&) override {
    log->Record("CreateApplication");
    return std::make_unique<RecordingApplication>(log);
  }
  std::unique_ptr<wp::FileSystem> CreateFileSystem() override {
    log->Record("CreateFileSystem");
    return std::make_unique<RecordingFileSystem>(log);
  }
  LogPtr log = std::make_shared<CallLog>();
};

}  // namespace reportword::fakes
