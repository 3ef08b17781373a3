#include "docx/document_body.h"

#include <algorithm>
#include <charconv>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "docx/sections.h"
#include "ooxml/body_table_writer.h"
#include "ooxml/xml_part.h"
#include "text/translate.h"

namespace reportword::docx {
namespace {

// Where the generated body goes in the serialised main part: a processing
// instruction that ClearBody leaves as a child of w:body.
constexpr const char* kBodyMarkerName = "reportword-body";

pugi::xml_node BodyMarker(const DocumentState& doc) {
  for (pugi::xml_node child : doc.Body().children()) {
    if (child.type() == pugi::node_pi && std::string_view(child.name()) == kBodyMarkerName) {
      return child;
    }
  }
  return {};
}

// The main part serialised with the marker under a name that occurs in it
// nowhere else, and the marker's text as it stands there. The template may
// hold the same text (a processing instruction, a comment, CDATA) anywhere.
std::pair<std::string, std::string> SerialiseWithUniqueMarker(const DocumentState& doc,
                                                              pugi::xml_node marker) {
  for (unsigned n = 0;; ++n) {
    const std::string name = kBodyMarkerName + (n ? "-" + std::to_string(n) : "");
    marker.set_name(name.c_str());
    std::string xml = WriteXmlPart(doc.main_xml);
    const std::string text = "<?" + name + "?>";
    const std::size_t at = xml.find(text);
    if (at != std::string::npos && xml.find(text, at + 1) == std::string::npos) {
      marker.set_name(kBodyMarkerName);
      return {std::move(xml), text};
    }
  }
}

int IntAttribute(const pugi::xml_node& node, std::string_view local, int fallback) {
  const char* text = WordAttribute(node, local);
  std::string_view view(text);
  double value = 0;
  auto [end, ec] = std::from_chars(view.data(), view.data() + view.size(), value);
  if (ec != std::errc() || end != view.data() + view.size() || view.empty()) return fallback;
  return static_cast<int>(std::clamp(value, -100000.0, 100000.0));
}

int TextWidthTwips(const DocumentState& doc) {
  const pugi::xml_node sect = ChildW(doc.Body(), "sectPr");
  const pugi::xml_node size = ChildW(sect, "pgSz");
  const pugi::xml_node margins = ChildW(sect, "pgMar");
  const int width = IntAttribute(size, "w", 12240);
  const int left = IntAttribute(margins, "left", 1440);
  const int right = IntAttribute(margins, "right", 1440);
  return std::max(720, width - left - right);
}

}  // namespace

void ClearBody(DocumentState& doc) {
  pugi::xml_node body = doc.Body();
  pugi::xml_node last_sect;
  for (pugi::xml_node child : body.children()) {
    if (IsW(child, "sectPr")) last_sect = child;
  }
  const std::vector<pugi::xml_node> breaks = SectionBreaks(doc);
  // A body without section properties of its own still has a last section.
  if (!breaks.empty() && !last_sect) last_sect = InsertElement(body, kWordNamespace, "sectPr", "w");
  if (last_sect) KeepInheritedReferences(breaks, last_sect);
  for (pugi::xml_node child = body.first_child(); child;) {
    pugi::xml_node next = child.next_sibling();
    if (child != last_sect) body.remove_child(child);
    child = next;
  }
  pugi::xml_node marker = last_sect ? body.insert_child_before(pugi::node_pi, last_sect)
                                    : body.append_child(pugi::node_pi);
  marker.set_name(kBodyMarkerName);
}

MainPartWriter::MainPartWriter(const DocumentState& doc) {
  if (!doc.table) {
    xml_ = WriteXmlPart(doc.main_xml);
    marker_at_ = xml_.size();
    return;
  }
  const pugi::xml_node marker = BodyMarker(doc);
  if (!marker) throw Failure(text::Translate("internal error: the body marker is missing"));
  std::string marker_text;
  std::tie(xml_, marker_text) = SerialiseWithUniqueMarker(doc, marker);
  marker_at_ = xml_.find(marker_text);
  marker_size_ = marker_text.size();
  table_.emplace(*doc.table, TextWidthTwips(doc));
}

bool MainPartWriter::Next(std::string& piece) {
  // Large enough that libzip's reads rarely reach the producer, small enough
  // to be nothing beside the table's text.
  constexpr std::size_t kPieceBytes = 256 << 10;
  switch (stage_) {
    case Stage::kHead:
      piece.append(xml_, 0, marker_at_);
      stage_ = table_ ? Stage::kTable : Stage::kDone;
      break;
    case Stage::kTable:
      if (!table_->Append(piece, kPieceBytes)) stage_ = Stage::kTail;
      break;
    case Stage::kTail:
      piece.append(xml_, marker_at_ + marker_size_, std::string::npos);
      stage_ = Stage::kDone;
      break;
    case Stage::kDone:
      break;
  }
  return stage_ != Stage::kDone;
}

std::uint64_t MainPartWriter::SizeBound() const {
  return xml_.size() + (table_ ? table_->SizeBound() : 0);
}

}  // namespace reportword::docx
