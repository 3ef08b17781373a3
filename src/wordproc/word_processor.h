// The word processor as the generation logic sees it: a small slice of a desktop
// word processor's automation object model, just the members that the document
// steps call. Every object handed out is owned by the caller and released when
// it goes out of scope, as an automation reference would be. Every failing call
// throws reportword::GenerationError.
//
// The native .docx engine (docx/) implements it; so can a backend that drives
// an installed word processor, and the tests use a recording fake.
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace reportword::wordproc {

// Numeric values are the automation model's own constants.
enum class PreferredWidthType : int { kAuto = 1, kPercent = 2, kPoints = 3 };
enum class LineStyle : int { kNone = 0, kSingle = 1 };
enum class TableSeparator : int { kParagraphs = 0, kTabs = 1, kCommas = 2 };
enum class AutoFitBehavior : int { kFixed = 0, kContent = 1, kWindow = 2 };
inline constexpr int kTableFormatNone = 0;
inline constexpr int kHeaderFooterPrimary = 1;
inline constexpr int kAlertsNone = 0;

class Application;
class Documents;
class Document;
class Sections;
class Section;
class HeadersFooters;
class HeaderFooter;
class Range;
class Find;
class Selection;
class Tables;
class Table;
class Borders;
class Columns;
class Column;

// The replacement text of a find: either a new text or a reference to a text
// the caller keeps (automation passes the latter by reference). The engine
// treats both alike; the distinction is kept for backends that marshal it.
struct ReplacementText {
  std::string text;
  bool by_reference = false;
};

// Find.Execute arguments in their automation order; an empty optional is an
// omitted argument.
struct FindExecuteArgs {
  std::string find_text;
  std::optional<bool> match_case;
  std::optional<bool> match_whole_word;
  std::optional<bool> match_wildcards;
  std::optional<bool> match_sounds_like;
  std::optional<bool> match_all_word_forms;
  std::optional<bool> forward;
  std::optional<int> wrap;
  std::optional<bool> format;
  std::optional<ReplacementText> replace_with;
  std::optional<int> replace;
  std::optional<bool> match_kashida;
  std::optional<bool> match_diacritics;
  std::optional<bool> match_alef_hamza;
  std::optional<bool> match_control;
};

// Selection.ConvertToTable arguments in their automation order.
struct ConvertToTableArgs {
  std::optional<TableSeparator> separator;
  std::optional<double> num_rows;
  std::optional<short> num_columns;
  std::optional<float> initial_column_width;
  std::optional<int> format;
  std::optional<bool> apply_borders;
  std::optional<bool> apply_shading;
  std::optional<bool> apply_font;
  std::optional<bool> apply_color;
  std::optional<bool> apply_heading_rows;
  std::optional<bool> apply_last_row;
  std::optional<bool> apply_first_column;
  std::optional<bool> apply_last_column;
  std::optional<bool> auto_fit;
  std::optional<AutoFitBehavior> auto_fit_behavior;
  std::optional<int> default_table_behavior;
};

class Application {
 public:
  virtual ~Application() = default;
  // The automation "Application" property: the application object itself.
  virtual std::unique_ptr<Application> GetApplication() = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual void SetDisplayAlerts(int alerts) = 0;
  virtual std::unique_ptr<Documents> GetDocuments() = 0;
  virtual std::unique_ptr<Selection> GetSelection() = 0;
  // Ends the application; documents still open are discarded unsaved.
  virtual void Quit() = 0;
};

class Documents {
 public:
  virtual ~Documents() = default;
  // `template_argument` is the template path as the caller passes it to the
  // automation call, i.e. enclosed in double-quote characters.
  virtual std::unique_ptr<Document> Add(const std::string& template_argument) = 0;
};

class Document {
 public:
  virtual ~Document() = default;
  virtual std::unique_ptr<Application> GetApplication() = 0;
  virtual std::unique_ptr<Sections> GetSections() = 0;
  // The whole main text of the document.
  virtual std::unique_ptr<Range> GetContent() = 0;
  virtual void SaveAs(const std::string& file_name) = 0;
  virtual void Close() = 0;
};

class Sections {
 public:
  virtual ~Sections() = default;
  virtual std::unique_ptr<Section> Item(int index) = 0;  // 1-based
};

class Section {
 public:
  virtual ~Section() = default;
  virtual std::unique_ptr<HeadersFooters> GetHeaders() = 0;
};

class HeadersFooters {
 public:
  virtual ~HeadersFooters() = default;
  virtual int Count() = 0;
  virtual std::unique_ptr<HeaderFooter> Item(int index) = 0;  // kHeaderFooterPrimary, ...
};

class HeaderFooter {
 public:
  virtual ~HeaderFooter() = default;
  virtual std::unique_ptr<Range> GetRange() = 0;
};

class Range {
 public:
  virtual ~Range() = default;
  virtual void SetText(const std::string& text) = 0;
  virtual std::unique_ptr<Find> GetFind() = 0;
  virtual void Select() = 0;
};

class Find {
 public:
  virtual ~Find() = default;
  // Returns whether the text was found.
  virtual bool Execute(const FindExecuteArgs& args) = 0;
};

class Selection {
 public:
  virtual ~Selection() = default;
  virtual void WholeStory() = 0;
  virtual std::unique_ptr<Table> ConvertToTable(const ConvertToTableArgs& args) = 0;
  virtual std::unique_ptr<Tables> GetTables() = 0;
};

class Tables {
 public:
  virtual ~Tables() = default;
  virtual std::unique_ptr<Table> Item(int index) = 0;  // 1-based
};

class Table {
 public:
  virtual ~Table() = default;
  virtual void SetPreferredWidthType(PreferredWidthType type) = 0;
  virtual void SetPreferredWidth(float width) = 0;
  virtual std::unique_ptr<Borders> GetBorders() = 0;
  virtual std::unique_ptr<Columns> GetColumns() = 0;
};

class Borders {
 public:
  virtual ~Borders() = default;
  virtual void SetOutsideLineStyle(LineStyle style) = 0;
  virtual void SetInsideLineStyle(LineStyle style) = 0;
};

class Columns {
 public:
  virtual ~Columns() = default;
  virtual std::unique_ptr<Column> Item(int index) = 0;  // 1-based
};

class Column {
 public:
  virtual ~Column() = default;
  virtual void SetWidth(float points) = 0;
};

// The file-existence query used by input validation.
class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // True only for an existing regular file (a directory answers false).
  virtual bool FileExists(const std::string& path) = 0;
  // True when both paths name the same file, existing or not, however they are
  // spelt (links, relative parts, hard links; a new file by its folder and
  // name), so that an output never overwrites an input.
  virtual bool SameFile(const std::string& a, const std::string& b) = 0;
};

// Creates the outside objects of a run. The job state holds what it creates and
// creates them on first use.
class Backend {
 public:
  virtual ~Backend() = default;
  virtual std::unique_ptr<Application> CreateApplication() = 0;
  virtual std::unique_ptr<FileSystem> CreateFileSystem() = 0;
};

}  // namespace reportword::wordproc
