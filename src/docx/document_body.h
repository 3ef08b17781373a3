// The body of a document: clearing the template's body for the generated one
// (the sections collapse into the last), and writing the main part with the
// generated body in the place of the marker.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "docx/document_state.h"
#include "ooxml/body_table_writer.h"

namespace reportword::docx {

// Replaces every block of the body by the marker where the generated body
// will go; only the last section's properties stay, with every header and
// footer in force for that section.
void ClearBody(DocumentState& doc);

// The main part as it is saved, made in pieces: the template's XML up to the
// marker, the body's table a few rows at a time, then the rest. Without a
// laid-out table it is the template's part as it stands. `doc` must outlive
// the writer and stay as it is meanwhile.
class MainPartWriter {
 public:
  explicit MainPartWriter(const DocumentState& doc);

  // Appends the next piece to `piece`; returns false once that was the last.
  bool Next(std::string& piece);

  // No main part written by this writer is larger.
  std::uint64_t SizeBound() const;

 private:
  std::string xml_;  // the part around the table, the marker in the table's place
  std::size_t marker_at_ = 0;
  std::size_t marker_size_ = 0;
  std::optional<TableXmlWriter> table_;
  enum class Stage { kHead, kTable, kTail, kDone } stage_ = Stage::kHead;
};

}  // namespace reportword::docx
