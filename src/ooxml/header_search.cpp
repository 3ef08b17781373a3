#include "ooxml/header_search.h"

#include <vector>

#include "ooxml/paragraph_text.h"
#include "ooxml/text_markup.h"
#include "ooxml/xml_namespaces.h"
#include "text/unicode.h"

namespace reportword::docx {
namespace {

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
  ParagraphText text = CollectParagraphText(paragraph);
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
  const TextSegment& end_segment = text.segments[last_segment];
  if (end_segment.is_text) {
    suffix = std::string(end_segment.node.child_value()).substr(text.byte_end[last]);
  }
  for (std::size_t s = first_segment + 1; s <= last_segment; ++s) {
    const TextSegment& segment = text.segments[s];
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
