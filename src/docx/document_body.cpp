#include "docx/document_body.h"

#include <algorithm>
#include <charconv>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "docx/body_table_writer.h"
#include "docx/sections.h"
#include "docx/xml_part.h"
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

std::string SerialiseMainPart(const DocumentState& doc) {
  if (!doc.table) return WriteXmlPart(doc.main_xml);
  const pugi::xml_node marker = BodyMarker(doc);
  if (!marker) throw wordproc::Error(text::Translate("internal error: the body marker is missing"));
  const auto [xml, marker_text] = SerialiseWithUniqueMarker(doc, marker);
  const std::size_t at = xml.find(marker_text);
  // Written once into a string reserved for it: a large table is tens of
  // megabytes of XML, and every regrowth or splice would copy all of it.
  const std::string_view text = doc.table->text;
  const std::size_t fields = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\t')) +
                             static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) +
                             1;
  std::string out;
  out.reserve(xml.size() + 2 * text.size() + fields * 128 + 4096);
  out.append(xml, 0, at);
  AppendTableXml(out, *doc.table, TextWidthTwips(doc));
  out.append(xml, at + marker_text.size(), std::string::npos);
  return out;
}

}  // namespace reportword::docx
