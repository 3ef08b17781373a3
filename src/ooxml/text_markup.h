// Turning program text into WordprocessingML run content: the characters XML
// forbids never reach a part, tabs become w:tab and line breaks w:br.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace reportword::docx {

struct RunPiece {
  enum Kind { kText, kTab, kBreak };
  Kind kind;
  std::string text;  // for kText
};

// Splits `text` into run pieces. Tab gives kTab; vertical tab, CR, LF and CR LF
// give kBreak (as a word processor turns a vertical tab into a line break);
// other C0 controls, U+FFFE and U+FFFF are dropped; bytes that are not UTF-8
// become U+FFFD, so the result is always valid UTF-8.
std::vector<RunPiece> SplitRunText(std::string_view text);

// Joins neighbouring text pieces and drops empty ones.
std::vector<RunPiece> MergeTextPieces(const std::vector<RunPiece>& pieces);

// Appends `text` XML-escaped for element content (it must already be clean).
void AppendEscaped(std::string& out, std::string_view text);

// Appends the run content of one paragraph's worth of text, already split at
// line ends: "<w:r>...</w:r>" with w:t, w:tab and w:br, or nothing for an
// empty text. Uses the prefix "w:".
void AppendRunXml(std::string& out, std::string_view text);

}  // namespace reportword::docx
