#include "report/report_decoding.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "text/unicode.h"

namespace reportword::report {
namespace {

// Code points of the bytes 80..9F; from A0 on Windows-1252 equals Latin-1.
constexpr std::array<char16_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98..9F
};

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Where a piece may be cut for checking: before the lead byte of a sequence
// that starts in the last three bytes and may continue in the next piece.
std::size_t CompleteSequencesEnd(std::string_view bytes) {
  const std::size_t earliest = bytes.size() > 3 ? bytes.size() - 3 : 0;
  for (std::size_t pos = bytes.size(); pos > earliest; --pos) {
    const auto byte = static_cast<unsigned char>(bytes[pos - 1]);
    if (byte < 0x80) return bytes.size();
    if (byte >= 0xC0) return pos - 1;  // a lead byte: its sequence may go on
  }
  return bytes.size();
}

}  // namespace

bool Utf8Validator::Feed(std::string_view bytes) {
  if (!valid_) return false;
  if (!open_sequence_.empty()) {
    // A cut-off sequence needs at most three more bytes.
    const std::size_t take = std::min<std::size_t>(bytes.size(), 4 - open_sequence_.size());
    const std::string joined = open_sequence_ + std::string(bytes.substr(0, take));
    std::size_t pos = 0;
    char32_t cp = 0;
    if (text::TryDecodeUtf8(joined, pos, cp)) {
      bytes.remove_prefix(pos - open_sequence_.size());
      open_sequence_.clear();
    } else if (take == bytes.size() && joined.size() < 4) {
      open_sequence_ = joined;  // still too short to judge
      return true;
    } else {
      return valid_ = false;
    }
  }
  const std::size_t end = CompleteSequencesEnd(bytes);
  valid_ = text::IsValidUtf8(bytes.substr(0, end));
  if (valid_) open_sequence_.assign(bytes.substr(end));
  return valid_;
}

bool Utf8Validator::Finish() const {
  return valid_ && text::IsValidUtf8(open_sequence_);
}

void AppendWindows1252(std::string& out, std::string_view bytes) {
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    const std::size_t ascii = text::AsciiPrefixLength(bytes.substr(pos));
    out.append(bytes.substr(pos, ascii));
    pos += ascii;
    if (pos == bytes.size()) break;
    const auto byte = static_cast<unsigned char>(bytes[pos++]);
    text::AppendUtf8(out, byte < 0xA0 ? kWindows1252High[byte - 0x80] : char32_t{byte});
  }
}

bool LongLineFinder::Feed(std::string_view bytes) {
  const std::size_t first_end = bytes.find_first_of("\r\n");
  if (first_end == std::string_view::npos) {
    open_line_bytes_ += bytes.size();
    return open_line_bytes_ <= kMaxLineBytes;
  }
  // Lines that begin and end inside this piece are shorter than the piece.
  if (open_line_bytes_ + first_end > kMaxLineBytes) return false;
  open_line_bytes_ = bytes.size() - bytes.find_last_of("\r\n") - 1;
  return true;
}

std::optional<ReportEncoding> Utf16ByOrderMark(std::string_view bytes) {
  if (bytes.starts_with("\xFF\xFE")) return ReportEncoding::kUtf16Le;
  if (bytes.starts_with("\xFE\xFF")) return ReportEncoding::kUtf16Be;
  return std::nullopt;
}

std::optional<ReportEncoding> Utf16ByNulPattern(std::string_view bytes) {
  const std::size_t pairs = bytes.size() / 2;
  if (pairs < 2) return std::nullopt;
  std::size_t nul_first = 0, nul_second = 0;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    nul_first += bytes[i] == '\0';
    nul_second += bytes[i + 1] == '\0';
  }
  // At least three in ten units with a NUL on one side and hardly any on the
  // other: a few NULs in 8-bit text are data, not this pattern.
  const auto many = [pairs](std::size_t count) { return count * 10 >= pairs * 3; };
  const auto few = [pairs](std::size_t count) { return count * 10 < pairs; };
  if (many(nul_second) && few(nul_first)) return ReportEncoding::kUtf16Le;
  if (many(nul_first) && few(nul_second)) return ReportEncoding::kUtf16Be;
  return std::nullopt;
}

bool Utf16Decoder::Feed(std::string_view bytes, std::string& out) {
  std::size_t pos = 0;
  while (valid_) {
    char first, second;
    if (odd_byte_) {
      if (pos == bytes.size()) break;
      first = *odd_byte_;
      second = bytes[pos++];
      odd_byte_.reset();
    } else if (pos + 1 < bytes.size()) {
      first = bytes[pos];
      second = bytes[pos + 1];
      pos += 2;
    } else {
      if (pos < bytes.size()) odd_byte_ = bytes[pos];
      break;
    }
    const auto high = static_cast<unsigned char>(big_endian_ ? first : second);
    const auto low = static_cast<unsigned char>(big_endian_ ? second : first);
    valid_ = Take(static_cast<char16_t>(high << 8 | low), out);
  }
  return valid_;
}

bool Utf16Decoder::Take(char16_t unit, std::string& out) {
  const bool first = first_;
  first_ = false;
  const bool is_high = unit >= 0xD800 && unit <= 0xDBFF;
  const bool is_low = unit >= 0xDC00 && unit <= 0xDFFF;
  if (high_surrogate_ != 0) {
    if (!is_low) return false;
    text::AppendUtf8(out, 0x10000 + ((char32_t{high_surrogate_} - 0xD800) << 10) + (unit - 0xDC00));
    high_surrogate_ = 0;
    return true;
  }
  if (is_low) return false;
  if (is_high) {
    high_surrogate_ = unit;
  } else if (!(first && unit == 0xFEFF)) {
    text::AppendUtf8(out, unit);
  }
  return true;
}

void ReportLineAssembler::Feed(std::string_view bytes, const LineHandler& on_line) {
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    if (after_cr_) {
      after_cr_ = false;
      const bool lf = bytes[pos] == '\n';
      CountLineEnd(lf ? LineEnd::kCrLf : LineEnd::kCr);
      if (lf) {
        ++pos;
        continue;
      }
    }
    std::size_t end = pos;
    while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n') ++end;
    if (end > pos) {
      line_bytes_ += end - pos;
      if (line_bytes_ > kMaxLineBytes) throw LineTooLong{};
      AppendDecoded(bytes.substr(pos, end - pos));
      if (keep_raw_) raw_.append(bytes.substr(pos, end - pos));
      line_started_ = true;
    }
    if (end == bytes.size()) break;
    after_cr_ = bytes[end] == '\r';
    EndLine(on_line);
    if (!after_cr_) CountLineEnd(LineEnd::kLf);
    pos = end + 1;
  }
}

void ReportLineAssembler::Finish(const LineHandler& on_line) {
  if (after_cr_) CountLineEnd(LineEnd::kCr);
  after_cr_ = false;
  if (line_started_) EndLine(on_line);
}

// Counts the end of the line ended last.
void ReportLineAssembler::CountLineEnd(LineEnd end) {
  ++(end == LineEnd::kCrLf ? line_ends_.cr_lf
     : end == LineEnd::kCr ? line_ends_.cr
                           : line_ends_.lf);
  if (!first_end_) first_end_ = end;
  if (end != *first_end_ && line_ends_.first_different_line == 0)
    line_ends_.first_different_line = lines_ended_;
}

void ReportLineAssembler::AppendDecoded(std::string_view bytes) {
  if (encoding_ == ReportEncoding::kUtf8) {
    line_.append(bytes);
  } else {
    AppendWindows1252(line_, bytes);
  }
}

void ReportLineAssembler::EndLine(const LineHandler& on_line) {
  if (first_line_ && encoding_ == ReportEncoding::kUtf8 && line_.starts_with(kByteOrderMark)) {
    line_.erase(0, kByteOrderMark.size());
  }
  first_line_ = false;
  ++lines_ended_;
  on_line(line_);
  line_.clear();  // keeps the capacity for the next line
  raw_.clear();
  line_bytes_ = 0;
  line_started_ = false;
}

}  // namespace reportword::report
