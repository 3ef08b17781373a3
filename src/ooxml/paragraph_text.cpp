#include "ooxml/paragraph_text.h"

#include <string_view>

#include "ooxml/xml_namespaces.h"
#include "ooxml/xml_part.h"
#include "text/unicode.h"

namespace reportword::docx {
namespace {

constexpr char32_t kSoftHyphen = 0x00AD;

// Where a complex field (w:fldChar begin ... separate ... end) stands.
enum class FieldPart { kInstruction, kResult };

bool SkipsSubtree(const pugi::xml_node& node, const TextView& view) {
  // Nested text boxes are paragraphs of their own; properties and fallbacks
  // hold no text of this paragraph.
  if (IsW(node, "txbxContent") || IsW(node, "pPr") || IsW(node, "rPr") || IsMc(node, "Fallback")) {
    return true;
  }
  if (IsW(node, "del") || IsW(node, "moveFrom")) return !view.deleted_text;
  return false;
}

void Append(ParagraphText& text, const pugi::xml_node& node, bool is_text, std::string_view value,
            const TextView& view) {
  const std::size_t segment = text.segments.size();
  text.segments.push_back({node, is_text});
  for (std::size_t pos = 0; pos < value.size();) {
    const std::size_t begin = pos;
    const char32_t written = text::DecodeUtf8(value, pos);
    if (written == kSoftHyphen && !view.soft_hyphens) continue;
    const std::u32string folded = text::FoldCase(value.substr(begin, pos - begin));
    text.written.push_back(written);
    text.folded += folded.empty() ? U"\uFFFD" : folded.substr(0, 1);
    text.segment_of.push_back(segment);
    text.byte_begin.push_back(begin);
    text.byte_end.push_back(pos);
  }
}

}  // namespace

ParagraphText CollectParagraphText(const pugi::xml_node& paragraph, const TextView& view) {
  ParagraphText text;
  std::vector<FieldPart> fields;  // the complex fields open here, innermost last
  WalkSubtree(paragraph, [&](const pugi::xml_node& node) {
    if (node.type() != pugi::node_element) return false;
    if (SkipsSubtree(node, view)) return false;
    if (IsW(node, "fldChar")) {
      const std::string_view type = WordAttribute(node, "fldCharType");
      if (type == "begin") {
        fields.push_back(FieldPart::kInstruction);
      } else if (type == "separate" && !fields.empty()) {
        fields.back() = FieldPart::kResult;
      } else if (type == "end" && !fields.empty()) {
        fields.pop_back();
      }
      return false;
    }
    if (IsW(node, "fldSimple")) {
      if (view.field_instructions) Append(text, node, false, WordAttribute(node, "instr"), view);
      return view.field_results;  // its content is the field's result
    }
    if (IsW(node, "instrText")) {
      if (view.field_instructions) Append(text, node, false, node.child_value(), view);
      return false;
    }
    const bool shown = view.field_results || fields.empty() || fields.back() != FieldPart::kResult;
    if (IsW(node, "t")) {
      if (shown) Append(text, node, true, node.child_value(), view);
    } else if (IsW(node, "delText")) {
      if (shown && view.deleted_text) Append(text, node, false, node.child_value(), view);
    } else if (IsW(node, "tab")) {
      if (shown) Append(text, node, false, "\t", view);
    } else if (IsW(node, "br") || IsW(node, "cr")) {
      if (shown) Append(text, node, false, "\n", view);
    } else {
      return true;
    }
    return false;
  });
  return text;
}

std::vector<pugi::xml_node> ParagraphsBelow(const pugi::xml_node& root, bool skip_fallbacks) {
  std::vector<pugi::xml_node> paragraphs;
  WalkSubtree(root, [&](const pugi::xml_node& node) {
    if (node.type() != pugi::node_element) return false;
    // A text box deleted with tracked changes is no longer there for a reader.
    if (IsW(node, "del") || IsW(node, "moveFrom")) return false;
    if (skip_fallbacks && IsMc(node, "Fallback")) {
      // A fallback without a choice beside it is the only copy: search it.
      return !ChildElement(node.parent(), kMarkupCompatibilityNamespace, "Choice");
    }
    if (IsW(node, "p")) paragraphs.push_back(node);
    return true;
  });
  return paragraphs;
}

}  // namespace reportword::docx
