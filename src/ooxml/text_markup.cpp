#include "ooxml/text_markup.h"

#include "text/unicode.h"

namespace reportword::docx {

std::vector<RunPiece> SplitRunText(std::string_view text) {
  std::vector<RunPiece> pieces;
  std::string current;
  auto flush = [&] {
    if (!current.empty()) pieces.push_back({RunPiece::kText, std::move(current)});
    current.clear();
  };
  for (std::size_t pos = 0; pos < text.size();) {
    const unsigned char byte = static_cast<unsigned char>(text[pos]);
    if (byte < 0x80) {
      ++pos;
      if (byte == '\t') {
        flush();
        pieces.push_back({RunPiece::kTab, {}});
      } else if (byte == '\v' || byte == '\n' || byte == '\r') {
        flush();
        pieces.push_back({RunPiece::kBreak, {}});
        if (byte == '\r' && pos < text.size() && text[pos] == '\n') ++pos;
      } else if (byte >= 0x20) {
        current.push_back(static_cast<char>(byte));
      }
      continue;
    }
    const char32_t cp = text::DecodeUtf8(text, pos);
    if (cp == 0xFFFE || cp == 0xFFFF) continue;
    text::AppendUtf8(current, cp);
  }
  flush();
  return pieces;
}

std::vector<RunPiece> MergeTextPieces(const std::vector<RunPiece>& pieces) {
  std::vector<RunPiece> merged;
  for (const RunPiece& piece : pieces) {
    if (piece.kind == RunPiece::kText) {
      if (piece.text.empty()) continue;
      if (!merged.empty() && merged.back().kind == RunPiece::kText) {
        merged.back().text += piece.text;
        continue;
      }
    }
    merged.push_back(piece);
  }
  return merged;
}

void AppendEscaped(std::string& out, std::string_view text) {
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      default:
        out.push_back(c);
    }
  }
}

void AppendRunXml(std::string& out, std::string_view text) {
  if (text.empty()) return;
  std::vector<RunPiece> pieces = SplitRunText(text);
  if (pieces.empty()) return;
  out += "<w:r>";
  for (const RunPiece& piece : pieces) {
    switch (piece.kind) {
      case RunPiece::kText: {
        const bool preserve = piece.text.front() == ' ' || piece.text.back() == ' ';
        out += preserve ? "<w:t xml:space=\"preserve\">" : "<w:t>";
        AppendEscaped(out, piece.text);
        out += "</w:t>";
        break;
      }
      case RunPiece::kTab:
        out += "<w:tab/>";
        break;
      case RunPiece::kBreak:
        out += "<w:br/>";
        break;
    }
  }
  out += "</w:r>";
}

}  // namespace reportword::docx
