#include "docx/docx_engine.h"

#include <string>
#include <utility>

#include "docx/document_body.h"
#include "docx/document_saving.h"
#include "docx/document_state.h"
#include "docx/sections.h"
#include "docx/template_opening.h"
#include "ooxml/header_search.h"
#include "text/failure.h"
#include "text/translate.h"
#include "wordproc/local_file_system.h"

namespace reportword::docx {
namespace {

// The widest column the format allows, 22 inches.
constexpr float kMaxColumnPoints = 1584.0f;
constexpr short kMaxColumns = 63;

void CheckLayout(const wordproc::TableLayout& layout) {
  if (layout.columns < 0 || layout.columns > kMaxColumns) {
    throw Failure(
        text::Format(text::Translate("a table of {0} columns is not possible"), layout.columns));
  }
  const int columns = layout.columns;
  for (std::size_t i = 0; i < layout.column_widths_points.size(); ++i) {
    if (static_cast<int>(i) >= columns) {
      throw Failure(
          text::Format(text::Translate("the table has no column {0}"), static_cast<int>(i) + 1));
    }
    const float points = layout.column_widths_points[i];
    if (!(points >= 0.0f && points <= kMaxColumnPoints)) {
      throw Failure(text::Format(text::Translate("column width {0} pt is out of range"),
                                 std::to_string(points)));
    }
  }
}

class DocxDocument final : public wordproc::Document {
 public:
  // With `saved`, a save writes no file but the package into `*saved`.
  DocxDocument(std::shared_ptr<ApplicationState> app, std::shared_ptr<DocumentState> doc,
               std::string* saved = nullptr)
      : app_(std::move(app)),
        doc_(std::move(doc)),
        template_path_(doc_->template_path),
        saved_(saved) {}

  // Primary, first-page and even-page: always three, whether or not the
  // template defines them, as a word processor counts them.
  int FirstSectionHeaderCount() override {
    CheckOpen();
    return docx::FirstSectionHeaderCount(*doc_);
  }
  bool ReplaceInPrimaryHeader(const std::string& find_text,
                              const wordproc::Replacement& replacement) override {
    CheckOpen();
    std::string part;
    pugi::xml_document* header = FirstSectionHeader(*doc_, HeaderFooterKind::kDefault, &part);
    if (!header) return false;  // a header that does not exist holds nothing
    const bool found =
        ReplaceFirstOccurrence(header->document_element(), find_text, &replacement.text);
    if (found) doc_->changed_headers.insert(part);
    return found;
  }
  void LayOutBodyAsTable(const std::string& table_text,
                         const wordproc::TableLayout& layout) override {
    CheckOpen();
    CheckLayout(layout);
    ClearBody(*doc_);
    TableModel& table = doc_->table.emplace();
    table.text = table_text;
    table.leading_empty_row = layout.leading_empty_row;
    table.columns = layout.columns > 0 ? layout.columns : CountColumns(table_text);
    table.column_widths_points = layout.column_widths_points;
  }
  void SaveAs(const std::string& target_path) override {
    CheckOpen();
    if (saved_) {
      *saved_ = SavedPackage(*doc_, *app_);
    } else {
      SaveDocument(*doc_, target_path, *app_);
    }
  }
  void Close() override {
    CheckOpen();
    doc_.reset();
  }

 private:
  // A closed document, or one the word processor dropped when it quit, takes
  // no further steps.
  void CheckOpen() const {
    if (!doc_ || app_->quit) {
      throw Failure(text::Format(text::Translate("the document made from \"{0}\" is closed"),
                                 template_path_));
    }
  }

  std::shared_ptr<ApplicationState> app_;
  std::shared_ptr<DocumentState> doc_;
  std::string template_path_;
  std::string* saved_;
};

class DocxApplication final : public wordproc::Application {
 public:
  explicit DocxApplication(std::shared_ptr<ApplicationState> app) : app_(std::move(app)) {}
  // There is no window and there are no alerts to keep hidden.
  std::unique_ptr<wordproc::Document> CreateDocument(const std::string& template_path,
                                                     bool /*turn_alerts_off*/) override {
    CheckRunning();
    // Both templates of the run at the first document: a conversion that
    // both need is then one start.
    if (!app_->planned_templates_prepared) {
      app_->planned_templates_prepared = true;
      std::vector<std::string> templates;
      for (const wordproc::PlannedDocument& planned : app_->planned)
        templates.push_back(planned.template_path);
      PrepareTemplates(templates, *app_);
    }
    return std::make_unique<DocxDocument>(app_, OpenTemplate(template_path, *app_));
  }
  void ExpectDocuments(const std::vector<wordproc::PlannedDocument>& documents) override {
    CheckRunning();
    app_->planned = documents;
  }
  void Quit() override {
    CheckRunning();
    app_->quit = true;
    SaveHeldDocument(*app_);
  }

 private:
  void CheckRunning() const {
    if (app_->quit) {
      throw Failure(text::Translate("the word processor was told to quit; no further calls"));
    }
  }

  std::shared_ptr<ApplicationState> app_;
};

}  // namespace

std::unique_ptr<wordproc::Application> DocxBackend::CreateApplication(
    wordproc::RunFiles& run_files) {
  auto state = std::make_shared<ApplicationState>(conversion_);
  state->clock = clock_;
  state->run_files = &run_files;
  return std::make_unique<DocxApplication>(state);
}

std::unique_ptr<wordproc::Document> OpenDocumentInMemory(std::string template_bytes,
                                                         const std::string& name,
                                                         std::string* saved) {
  return std::make_unique<DocxDocument>(std::make_shared<ApplicationState>(),
                                        OpenTemplateBytes(std::move(template_bytes), name), saved);
}

std::unique_ptr<wordproc::FileSystem> DocxBackend::CreateFileSystem() {
  return std::make_unique<wordproc::LocalFileSystem>();
}

}  // namespace reportword::docx
