#include "docx/docx_engine.h"

#include <algorithm>
#include <string>

#include "docx/document_body.h"
#include "docx/document_saving.h"
#include "docx/document_state.h"
#include "docx/header_search.h"
#include "docx/sections.h"
#include "docx/template_opening.h"
#include "text/translate.h"
#include "wordproc/local_file_system.h"

// The objects of the interface: thin handles on the engine's state that check
// the call is possible and hand the work to the document model.

namespace reportword::docx {
namespace {

using namespace reportword::wordproc;

class DocxColumn : public Column {
 public:
  DocxColumn(std::shared_ptr<DocumentState> doc, int index) : doc_(std::move(doc)), index_(index) {}
  void SetWidth(float points) override {
    doc_->CheckOpen();
    if (!(points >= 0.0f && points <= 1584.0f)) {
      throw wordproc::Error(text::Format(text::Translate("column width {0} pt is out of range"),
                                         std::to_string(points)));
    }
    doc_->table->column_widths_points[index_] = points;
  }

 private:
  std::shared_ptr<DocumentState> doc_;
  int index_;
};

class DocxColumns : public Columns {
 public:
  explicit DocxColumns(std::shared_ptr<DocumentState> doc) : doc_(std::move(doc)) {}
  std::unique_ptr<Column> Item(int index) override {
    doc_->CheckOpen();
    if (index < 1 || index > doc_->table->columns) {
      throw wordproc::Error(text::Format(text::Translate("the table has no column {0}"), index));
    }
    return std::make_unique<DocxColumn>(doc_, index);
  }

 private:
  std::shared_ptr<DocumentState> doc_;
};

class DocxBorders : public Borders {
 public:
  explicit DocxBorders(std::shared_ptr<DocumentState> doc) : doc_(std::move(doc)) {}
  void SetOutsideLineStyle(LineStyle style) override {
    doc_->CheckOpen();
    doc_->table->outside_borders = style != LineStyle::kNone;
  }
  void SetInsideLineStyle(LineStyle style) override {
    doc_->CheckOpen();
    doc_->table->inside_borders = style != LineStyle::kNone;
  }

 private:
  std::shared_ptr<DocumentState> doc_;
};

class DocxTable : public Table {
 public:
  explicit DocxTable(std::shared_ptr<DocumentState> doc) : doc_(std::move(doc)) {}
  void SetPreferredWidthType(PreferredWidthType type) override {
    doc_->CheckOpen();
    doc_->table->preferred_width_type = type;
  }
  void SetPreferredWidth(float width) override {
    doc_->CheckOpen();
    if (!(width >= 0.0f && width <= 1584.0f)) {
      throw wordproc::Error(text::Format(
          text::Translate("preferred table width {0} is out of range"), std::to_string(width)));
    }
    doc_->table->preferred_width = width;
  }
  std::unique_ptr<Borders> GetBorders() override {
    doc_->CheckOpen();
    return std::make_unique<DocxBorders>(doc_);
  }
  std::unique_ptr<Columns> GetColumns() override {
    doc_->CheckOpen();
    return std::make_unique<DocxColumns>(doc_);
  }

 private:
  std::shared_ptr<DocumentState> doc_;
};

class DocxTables : public Tables {
 public:
  explicit DocxTables(std::shared_ptr<DocumentState> doc) : doc_(std::move(doc)) {}
  std::unique_ptr<Table> Item(int index) override {
    if (!doc_ || doc_->closed || !doc_->table || index != 1) {
      throw wordproc::Error(
          text::Format(text::Translate("the selection holds no table {0}"), index));
    }
    return std::make_unique<DocxTable>(doc_);
  }

 private:
  std::shared_ptr<DocumentState> doc_;
};

class DocxFind : public Find {
 public:
  DocxFind(std::shared_ptr<DocumentState> doc, std::string header_part)
      : doc_(std::move(doc)), header_part_(std::move(header_part)) {}
  bool Execute(const FindExecuteArgs& args) override {
    doc_->CheckOpen();
    if (args.match_case.value_or(false) || args.match_whole_word.value_or(false) ||
        args.match_wildcards.value_or(false) || args.match_sounds_like.value_or(false) ||
        args.match_all_word_forms.value_or(false)) {
      throw wordproc::Error(
          text::Translate("find with case, whole-word, wildcard or word-form matching is not "
                          "supported by the native engine"));
    }
    if (header_part_.empty()) return false;  // a header that does not exist holds nothing
    pugi::xml_document& xml = *doc_->headers.at(header_part_);
    const std::string* replacement = args.replace_with ? &args.replace_with->text : nullptr;
    const bool found = ReplaceFirstOccurrence(xml.document_element(), args.find_text, replacement);
    if (found && replacement) doc_->changed_headers.insert(header_part_);
    return found;
  }

 private:
  std::shared_ptr<DocumentState> doc_;
  std::string header_part_;
};

class DocxApplication;

// A range is either a header story or the whole main text.
class DocxRange : public Range {
 public:
  DocxRange(std::shared_ptr<ApplicationState> app, std::shared_ptr<DocumentState> doc, bool is_body,
            std::string header_part)
      : app_(std::move(app)),
        doc_(std::move(doc)),
        is_body_(is_body),
        header_part_(std::move(header_part)) {}

  void SetText(const std::string& text) override {
    doc_->CheckOpen();
    if (!is_body_)
      throw wordproc::Error(text::Translate("setting the text of a header is not supported"));
    ClearBody(*doc_);
    doc_->body_text = text;
    doc_->table.reset();
  }
  std::unique_ptr<Find> GetFind() override {
    doc_->CheckOpen();
    if (is_body_) throw wordproc::Error(text::Translate("find in the main text is not supported"));
    return std::make_unique<DocxFind>(doc_, header_part_);
  }
  void Select() override {
    doc_->CheckOpen();
    app_->CheckRunning();
    if (!is_body_) throw wordproc::Error(text::Translate("selecting in a header is not supported"));
    app_->active = doc_;
    app_->whole_story_selected = true;
  }

 private:
  std::shared_ptr<ApplicationState> app_;
  std::shared_ptr<DocumentState> doc_;
  bool is_body_;
  std::string header_part_;
};

class DocxHeaderFooter : public HeaderFooter {
 public:
  DocxHeaderFooter(std::shared_ptr<ApplicationState> app, std::shared_ptr<DocumentState> doc,
                   std::string part)
      : app_(std::move(app)), doc_(std::move(doc)), part_(std::move(part)) {}
  std::unique_ptr<Range> GetRange() override {
    doc_->CheckOpen();
    return std::make_unique<DocxRange>(app_, doc_, false, part_);
  }

 private:
  std::shared_ptr<ApplicationState> app_;
  std::shared_ptr<DocumentState> doc_;
  std::string part_;
};

class DocxHeadersFooters : public HeadersFooters {
 public:
  DocxHeadersFooters(std::shared_ptr<ApplicationState> app, std::shared_ptr<DocumentState> doc)
      : app_(std::move(app)), doc_(std::move(doc)) {}
  // Primary, first-page and even-page: always three, as in the automation
  // model, whether or not the template defines them.
  int Count() override {
    doc_->CheckOpen();
    return kHeaderFooterKinds;
  }
  std::unique_ptr<HeaderFooter> Item(int index) override {
    doc_->CheckOpen();
    static const char* const kKinds[] = {"default", "first", "even"};
    if (index < 1 || index > kHeaderFooterKinds)
      throw wordproc::Error(text::Format(text::Translate("there is no header {0}"), index));
    std::string part;
    FirstSectionHeader(*doc_, kKinds[index - 1], &part);
    return std::make_unique<DocxHeaderFooter>(app_, doc_, part);
  }

 private:
  std::shared_ptr<ApplicationState> app_;
  std::shared_ptr<DocumentState> doc_;
};

class DocxSection : public Section {
 public:
  DocxSection(std::shared_ptr<ApplicationState> app, std::shared_ptr<DocumentState> doc)
      : app_(std::move(app)), doc_(std::move(doc)) {}
  std::unique_ptr<HeadersFooters> GetHeaders() override {
    doc_->CheckOpen();
    return std::make_unique<DocxHeadersFooters>(app_, doc_);
  }

 private:
  std::shared_ptr<ApplicationState> app_;
  std::shared_ptr<DocumentState> doc_;
};

class DocxSections : public Sections {
 public:
  DocxSections(std::shared_ptr<ApplicationState> app, std::shared_ptr<DocumentState> doc)
      : app_(std::move(app)), doc_(std::move(doc)) {}
  std::unique_ptr<Section> Item(int index) override {
    doc_->CheckOpen();
    // Only the first section is ever addressed; later ones are not modelled.
    if (index != 1)
      throw wordproc::Error(text::Translate("only the first section can be addressed"));
    return std::make_unique<DocxSection>(app_, doc_);
  }

 private:
  std::shared_ptr<ApplicationState> app_;
  std::shared_ptr<DocumentState> doc_;
};

class DocxSelection : public Selection {
 public:
  explicit DocxSelection(std::shared_ptr<ApplicationState> app) : app_(std::move(app)) {}
  void WholeStory() override {
    app_->ActiveDocument();
    app_->whole_story_selected = true;
  }
  std::unique_ptr<Table> ConvertToTable(const ConvertToTableArgs& args) override {
    DocumentState& doc = app_->ActiveDocument();
    if (!app_->whole_story_selected) {
      throw wordproc::Error(text::Translate("convert to table needs the main text selected"));
    }
    if (args.separator.value_or(TableSeparator::kTabs) != TableSeparator::kTabs) {
      throw wordproc::Error(text::Translate("only tab-separated text can be converted to a table"));
    }
    const short requested = args.num_columns.value_or(0);
    if (requested < 0 || requested > 63) {
      throw wordproc::Error(
          text::Format(text::Translate("a table of {0} columns is not possible"), requested));
    }
    std::string text = doc.table           ? doc.table->text
                       : doc.body_replaced ? doc.body_text
                                           : BodyParagraphText(doc);
    if (!doc.body_replaced) ClearBody(doc);
    TableModel table;
    table.columns = requested > 0 ? requested : CountColumns(text);
    table.text = std::move(text);
    table.apply_borders = args.apply_borders.value_or(true);
    table.outside_borders = table.apply_borders;
    table.inside_borders = table.apply_borders;
    table.fixed_layout =
        args.auto_fit_behavior.value_or(AutoFitBehavior::kFixed) == AutoFitBehavior::kFixed;
    doc.table = std::move(table);
    doc.body_text.clear();
    return std::make_unique<DocxTable>(app_->active);
  }
  std::unique_ptr<Tables> GetTables() override {
    DocumentState& doc = app_->ActiveDocument();
    return std::make_unique<DocxTables>(app_->whole_story_selected && doc.table ? app_->active
                                                                                : nullptr);
  }

 private:
  std::shared_ptr<ApplicationState> app_;
};

class DocxDocument : public Document {
 public:
  DocxDocument(std::shared_ptr<ApplicationState> app, std::shared_ptr<DocumentState> doc)
      : app_(std::move(app)), doc_(std::move(doc)) {}
  std::unique_ptr<Application> GetApplication() override;
  std::unique_ptr<Sections> GetSections() override {
    doc_->CheckOpen();
    return std::make_unique<DocxSections>(app_, doc_);
  }
  std::unique_ptr<Range> GetContent() override {
    doc_->CheckOpen();
    return std::make_unique<DocxRange>(app_, doc_, true, "");
  }
  void SaveAs(const std::string& file_name) override {
    doc_->CheckOpen();
    SaveDocument(*doc_, file_name, *app_);
  }
  void Close() override {
    doc_->CheckOpen();
    doc_->closed = true;
    std::erase(app_->documents, doc_);
    if (app_->active == doc_) {
      app_->active = app_->documents.empty() ? nullptr : app_->documents.back();
      app_->whole_story_selected = false;
    }
  }

 private:
  std::shared_ptr<ApplicationState> app_;
  std::shared_ptr<DocumentState> doc_;
};

class DocxDocuments : public Documents {
 public:
  explicit DocxDocuments(std::shared_ptr<ApplicationState> app) : app_(std::move(app)) {}
  std::unique_ptr<Document> Add(const std::string& template_argument) override {
    app_->CheckRunning();
    // The automation call takes the path in double quotes.
    std::string path = template_argument;
    if (path.size() >= 2 && path.front() == '"' && path.back() == '"') {
      path = path.substr(1, path.size() - 2);
    }
    std::shared_ptr<DocumentState> doc = OpenTemplate(path, app_->conversion);
    app_->documents.push_back(doc);
    app_->active = doc;
    app_->whole_story_selected = false;
    return std::make_unique<DocxDocument>(app_, doc);
  }

 private:
  std::shared_ptr<ApplicationState> app_;
};

class DocxApplication : public Application {
 public:
  explicit DocxApplication(std::shared_ptr<ApplicationState> app) : app_(std::move(app)) {}
  std::unique_ptr<Application> GetApplication() override {
    app_->CheckRunning();
    return std::make_unique<DocxApplication>(app_);
  }
  // There is no window and there are no alerts; both settings are accepted.
  void SetVisible(bool) override { app_->CheckRunning(); }
  void SetDisplayAlerts(int) override { app_->CheckRunning(); }
  std::unique_ptr<Documents> GetDocuments() override {
    app_->CheckRunning();
    return std::make_unique<DocxDocuments>(app_);
  }
  std::unique_ptr<Selection> GetSelection() override {
    app_->CheckRunning();
    return std::make_unique<DocxSelection>(app_);
  }
  void Quit() override {
    app_->CheckRunning();
    for (auto& doc : app_->documents) doc->closed = true;  // discarded unsaved
    app_->documents.clear();
    app_->active.reset();
    app_->quit = true;
  }

 private:
  std::shared_ptr<ApplicationState> app_;
};

std::unique_ptr<Application> DocxDocument::GetApplication() {
  doc_->CheckOpen();
  return std::make_unique<DocxApplication>(app_);
}

}  // namespace

std::unique_ptr<wordproc::Application> DocxBackend::CreateApplication() {
  auto state = std::make_shared<ApplicationState>();
  state->conversion = conversion_;
  state->clock = clock_;
  return std::make_unique<DocxApplication>(state);
}

std::unique_ptr<wordproc::FileSystem> DocxBackend::CreateFileSystem() {
  return std::make_unique<wordproc::LocalFileSystem>();
}

}  // namespace reportword::docx
