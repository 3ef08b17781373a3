// The word processor as the generation sees it: the steps that make one
// document from a template. The native .docx engine carries them out on the
// package itself; the automation backend makes the installed word processor's
// object-model calls inside each step; the tests record them. Every failing
// step throws Failure.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "wordproc/file_identity.h"

namespace reportword::wordproc {

// The text a header placeholder is replaced with. `by_reference` marks a text
// the caller keeps, which automation passes by reference; the native engine
// treats both alike.
struct Replacement {
  std::string text;
  bool by_reference = false;
};

// How the body's text becomes its table: always full width, without borders,
// with fixed column widths.
struct TableLayout {
  short columns = 1;
  // Widths in points from column 1 on; empty leaves the columns even.
  std::vector<float> column_widths_points;
  // An empty first row above the text's rows (road reports).
  bool leading_empty_row = false;
  // Whether the word processor's selection is first put into this document's
  // content; an engine without a selection has nothing to do for it.
  bool selects_content = false;
};

// A document the run will make: from which template, to which target.
struct PlannedDocument {
  std::string template_path;
  std::string target_path;
};

// One document made from a template, open until it is closed.
class Document {
 public:
  virtual ~Document() = default;
  // How many headers the first section has (primary, first page, even pages).
  virtual int FirstSectionHeaderCount() = 0;
  // Replaces the first occurrence of `find_text`, in any letter case, in the
  // first section's primary header. Returns whether there was one.
  virtual bool ReplaceInPrimaryHeader(const std::string& find_text,
                                      const Replacement& replacement) = 0;
  // Makes `table_text` (rows ended by CR LF, fields separated by tabs) the
  // whole body, as a table. The text is read where it is, not copied: it must
  // stay as it is until the document is saved for the last time or closed.
  virtual void LayOutBodyAsTable(const std::string& table_text, const TableLayout& layout) = 0;
  // A text that goes away at the end of the call would be read after it.
  void LayOutBodyAsTable(std::string&& table_text, const TableLayout& layout) = delete;
  // Saves under `target_path`; its extension chooses the format.
  virtual void SaveAs(const std::string& target_path) = 0;
  virtual void Close() = 0;
};

// The word processor itself.
class Application {
 public:
  virtual ~Application() = default;
  // A new document from the template at `template_path`, with the word
  // processor kept out of sight; `turn_alerts_off` also silences its alerts.
  virtual std::unique_ptr<Document> CreateDocument(const std::string& template_path,
                                                   bool turn_alerts_off) = 0;
  // The documents the run will make, in order, told before the first is made:
  // an engine that converts may then convert both templates, or both
  // documents, in one go.
  virtual void ExpectDocuments(const std::vector<PlannedDocument>& documents) = 0;
  // Ends the word processor; documents still open are discarded unsaved. A
  // save it still holds back (to convert it together with the next) is
  // completed first, and its failure thrown.
  virtual void Quit() = 0;
};

// The file queries of input validation.
class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // True only for an existing regular file (a directory answers false).
  virtual bool FileExists(const std::string& path) = 0;
  // True when both paths name the same file, existing or not, however they are
  // spelt (links, relative parts, hard links; a new file by its folder and
  // name), so that an output never overwrites an input.
  virtual bool SameFile(const std::string& a, const std::string& b) = 0;
  // The identity of the existing file at `path`, links followed; nothing when
  // there is none.
  virtual std::optional<FileIdentity> IdentityOf(const std::string& path) = 0;
  // Throws Failure when a save to `path` would be refused (no folder, a folder
  // or a device there, a dangling or untrusted link, a write-protected file),
  // so that a bad second target is found before the first document is saved.
  virtual void CheckSaveTarget(const std::string& path) = 0;
};

// Creates the outside objects of a run. The job state holds what it creates and
// creates them on first use.
class Backend {
 public:
  virtual ~Backend() = default;
  // The application of one run; `run_files` lists the files it must not
  // replace, and a save adds the document it wrote.
  virtual std::unique_ptr<Application> CreateApplication(RunFiles& run_files) = 0;
  virtual std::unique_ptr<FileSystem> CreateFileSystem() = 0;
};

}  // namespace reportword::wordproc
