// The text of a WordprocessingML paragraph as a reader sees it, code point by
// code point, with the element each one comes from. The header search matches
// on it; the template inspection reads it and the variants that show what the
// search leaves out.
#pragma once

#include <pugixml.hpp>

#include <cstddef>
#include <string>
#include <vector>

namespace reportword::docx {

// Which text of a paragraph is collected. The defaults give the visible text,
// the text the header search matches on.
struct TextView {
  bool deleted_text = false;        // deleted and moved-away text of tracked changes
  bool field_instructions = false;  // the codes of fields (w:instrText, w:fldSimple's w:instr)
  bool field_results = true;        // the text fields show
  bool soft_hyphens = true;         // U+00AD typed into the text
};

// One piece of a paragraph's text and where it comes from: a w:t element, or
// another element that stands for its text (tab, break, field code).
struct TextSegment {
  pugi::xml_node node;
  bool is_text = false;  // a w:t, whose content the byte ranges address
};

struct ParagraphText {
  std::vector<TextSegment> segments;
  std::u32string written;               // per code point, as the XML has it
  std::u32string folded;                // per code point, simple case folding of `written`
  std::vector<std::size_t> segment_of;  // per code point
  std::vector<std::size_t> byte_begin;  // per code point, within the segment text
  std::vector<std::size_t> byte_end;
};

// The text of `paragraph` without the paragraphs of text boxes anchored in it
// (they are paragraphs of their own) and without markup-compatibility
// fallbacks.
ParagraphText CollectParagraphText(const pugi::xml_node& paragraph, const TextView& view = {});

// The paragraphs below `root` in document order; a text box's paragraphs come
// right after the paragraph it is anchored in. With `skip_fallbacks`, the
// fallback copy of alternate content is left out when its choice is there.
std::vector<pugi::xml_node> ParagraphsBelow(const pugi::xml_node& root, bool skip_fallbacks);

}  // namespace reportword::docx
