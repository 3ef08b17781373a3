#include "docgen/wordproc/docx/header_search.h"

#include <vector>

#include "docgen/wordproc/docx/text_markup.h"
#include "docgen/wordproc/docx/xml_namespaces.h"
#include "docgen/wordproc/docx/xml_part.h"
#include "text/unicode.h"

namespace reportword::docx {
namespace {

// One piece of a paragraph's visible text and where it comes from: a w:t
// element, or another element that stands for one character (tab, break).
struct Segment {
  pugi::xml_node node;
  bool is_text = false;
};

// The visible text of one paragraph, code point by code point, each with the
// segment it came from and its byte range there.
struct ParagraphText {
  std::vector<Segment> segments;
  std::u32string folded;
  std::vector<std::size_t> segment_of;  // per code point
  std::vector<std::size_t> byte_begin;  // per code point, within the segment text
  std::vector<std::size_t> byte_end;
};

bool SkipsSubtree(const pugi::xml_node& node) {
  // Deleted or moved-away text, nested text boxes (searched as paragraphs of
  // their own) and markup-compatibility fallbacks are not part of this text.
  return IsW(node, "del") || IsW(node, "moveFrom") || IsW(node, "txbxContent") ||
         IsW(node, "pPr") || IsW(node, "rPr") || IsMc(node, "Fallback") || IsW(node, "instrText") ||
         IsW(node, "delText");
}

ParagraphText CollectText(const pugi::xml_node& paragraph) {
  ParagraphText text;
  WalkSubtree(paragraph, [&](const pugi::xml_node& node) {
    if (node.type() != pugi::node_element) return false;
    if (SkipsSubtree(node)) return false;
    std::string value;
    bool is_text = false;
    if (IsW(node, "t")) {
      value = node.child_value();
      is_text = true;
    } else if (IsW(node, "tab")) {
      value = "\t";
    } else if (IsW(node, "br") || IsW(node, "cr")) {
      value = "\n";
    } else {
      return true;
    }
    const std::size_t segment = text.segments.size();
    text.segments.push_back({node, is_text});
    for (std::size_t pos = 0; pos < value.size();) {
      const std::size_t begin = pos;
      std::string one;
      text::AppendUtf8(one, text::DecodeUtf8(value, pos));
      std::u32string folded = text::FoldCase(std::string_view(value).substr(begin, pos - begin));
      text.folded += folded.empty() ? U"\uFFFD" : folded.substr(0, 1);
      text.segment_of.push_back(segment);
      text.byte_begin.push_back(begin);
      text.byte_end.push_back(pos);
    }
    return false;
  });
  return text;
}

// Writes `value` as the text of a w:t, marking it to keep its spaces where it
// has leading or trailing white space (also over an xml:space="default").
void SetRunText(pugi::xml_node t, const std::string& value) {
  while (t.first_child()) t.remove_child(t.first_child());
  if (!value.empty()) t.append_child(pugi::node_pcdata).set_value(value.c_str());
  const bool needs_preserve = !value.empty() && (value.front() == ' ' || value.back() == ' ' ||
                                                 value.front() == '\t' || value.back() == '\t');
  if (!needs_preserve) return;
  pugi::xml_attribute space = t.attribute("xml:space");
  if (!space) space = t.append_attribute("xml:space");
  space.set_value("preserve");
}

// A new WordprocessingML element right after `sibling`, in the same run.
pugi::xml_node InsertAfter(const pugi::xml_node& sibling, const char* local) {
  pugi::xml_node parent = sibling.parent();
  return InsertElement(parent, kWordNamespace, local, "w", sibling.next_sibling());
}

// Puts `content` (already free of characters XML forbids) into the run of `t`,
// starting at `t` itself: text goes into w:t elements, tabs and line breaks
// become w:tab and w:br siblings.
void WriteRunContent(pugi::xml_node t, const std::vector<RunPiece>& content) {
  pugi::xml_node current = t;
  bool first = true;
  for (const RunPiece& piece : content) {
    if (piece.kind == RunPiece::kText) {
      if (first) {
        SetRunText(current, piece.text);
      } else {
        pugi::xml_node added = InsertAfter(current, "t");
        SetRunText(added, piece.text);
        current = added;
      }
    } else {
      if (first) SetRunText(current, "");
      const char* element = piece.kind == RunPiece::kTab ? "tab" : "br";
      current = InsertAfter(current, element);
    }
    first = false;
  }
  if (first) SetRunText(t, "");
}

bool ReplaceInParagraph(const pugi::xml_node& paragraph, const std::u32string& needle,
                        const std::string* replacement) {
  ParagraphText text = CollectText(paragraph);
  const std::size_t at = text.folded.find(needle);
  if (at == std::u32string::npos) return false;
  if (replacement == nullptr) return true;
  const std::size_t last = at + needle.size() - 1;

  const std::size_t first_segment = text.segment_of[at];
  const std::size_t last_segment = text.segment_of[last];
  // The replacement goes where the match begins. A match that begins on a tab
  // or break (only possible for unusual find texts) gets a new w:t beside it.
  pugi::xml_node start = text.segments[first_segment].node;
  std::string prefix;
  if (text.segments[first_segment].is_text) {
    prefix = std::string(start.child_value()).substr(0, text.byte_begin[at]);
  } else {
    pugi::xml_node t = InsertElement(start.parent(), kWordNamespace, "t", "w", start);
    start.parent().remove_child(start);
    start = t;
  }
  std::string suffix;
  const Segment& end_segment = text.segments[last_segment];
  if (end_segment.is_text) {
    suffix = std::string(end_segment.node.child_value()).substr(text.byte_end[last]);
  }
  for (std::size_t s = first_segment + 1; s <= last_segment; ++s) {
    const Segment& segment = text.segments[s];
    if (s == last_segment && segment.is_text) {
      SetRunText(segment.node, suffix);
      suffix.clear();
    } else if (segment.is_text) {
      SetRunText(segment.node, "");
    } else {
      segment.node.parent().remove_child(segment.node);
    }
  }
  std::vector<RunPiece> content;
  content.push_back({RunPiece::kText, prefix});
  for (RunPiece& piece : SplitRunText(*replacement)) content.push_back(std::move(piece));
  content.push_back({RunPiece::kText, suffix});
  WriteRunContent(start, MergeTextPieces(content));
  return true;
}

// The mc:Choice ancestor of `node` below `story`, if any.
pugi::xml_node EnclosingChoice(pugi::xml_node node, const pugi::xml_node& story) {
  for (pugi::xml_node p = node.parent(); p && p != story; p = p.parent()) {
    if (IsMc(p, "Choice")) return p;
  }
  return {};
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

}  // namespace

bool ReplaceFirstOccurrence(pugi::xml_node story, const std::string& find_text,
                            const std::string* replacement) {
  const std::u32string needle = text::FoldCase(find_text);
  if (needle.empty()) return false;
  for (const pugi::xml_node& paragraph : ParagraphsBelow(story, true)) {
    if (!ReplaceInParagraph(paragraph, needle, replacement)) continue;
    // Mirror the change into the fallback copy of the same text box.
    pugi::xml_node choice = EnclosingChoice(paragraph, story);
    if (choice && replacement != nullptr) {
      pugi::xml_node fallback =
          ChildElement(choice.parent(), kMarkupCompatibilityNamespace, "Fallback");
      std::vector<pugi::xml_node> in_choice = ParagraphsBelow(choice, false);
      std::vector<pugi::xml_node> in_fallback = ParagraphsBelow(fallback, false);
      for (std::size_t i = 0; fallback && i < in_choice.size() && i < in_fallback.size(); ++i) {
        if (in_choice[i] == paragraph) {
          ReplaceInParagraph(in_fallback[i], needle, replacement);
          break;
        }
      }
    }
    return true;
  }
  return false;
}

}  // namespace reportword::docx
