#include "report/report_decoding.h"

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

// Length of the run of ASCII bytes at the start of `bytes`, eight at a time.
std::size_t AsciiPrefixLength(std::string_view bytes) {
  std::size_t pos = 0;
  for (; pos + 8 <= bytes.size(); pos += 8) {
    std::uint64_t word;
    std::memcpy(&word, bytes.data() + pos, sizeof word);
    if (word & 0x8080808080808080u) break;
  }
  while (pos < bytes.size() && static_cast<unsigned char>(bytes[pos]) < 0x80) ++pos;
  return pos;
}

}  // namespace

bool Utf8Validator::Feed(std::string_view bytes) {
  std::size_t pos = 0;
  while (valid_ && pos < bytes.size()) {
    if (continuation_bytes_needed_ == 0) {
      pos += AsciiPrefixLength(bytes.substr(pos));
      if (pos == bytes.size()) break;
    }
    const auto byte = static_cast<unsigned char>(bytes[pos++]);
    if (continuation_bytes_needed_ > 0) {
      if (byte < next_lower_ || byte > next_upper_) {
        valid_ = false;
        break;
      }
      --continuation_bytes_needed_;
      next_lower_ = 0x80;
      next_upper_ = 0xBF;
      continue;
    }
    // Lead byte: how many continuation bytes follow, and the range of the first.
    if (byte >= 0xC2 && byte <= 0xDF) {
      continuation_bytes_needed_ = 1;
    } else if (byte == 0xE0) {
      continuation_bytes_needed_ = 2;
      next_lower_ = 0xA0;
    } else if (byte == 0xED) {
      continuation_bytes_needed_ = 2;
      next_upper_ = 0x9F;
    } else if (byte >= 0xE1 && byte <= 0xEF) {
      continuation_bytes_needed_ = 2;
    } else if (byte == 0xF0) {
      continuation_bytes_needed_ = 3;
      next_lower_ = 0x90;
    } else if (byte >= 0xF1 && byte <= 0xF3) {
      continuation_bytes_needed_ = 3;
    } else if (byte == 0xF4) {
      continuation_bytes_needed_ = 3;
      next_upper_ = 0x8F;
    } else {
      valid_ = false;
    }
  }
  return valid_;
}

void AppendWindows1252(std::string& out, std::string_view bytes) {
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    const std::size_t ascii = AsciiPrefixLength(bytes.substr(pos));
    out.append(bytes.substr(pos, ascii));
    pos += ascii;
    if (pos == bytes.size()) break;
    const auto byte = static_cast<unsigned char>(bytes[pos++]);
    text::AppendUtf8(out, byte < 0xA0 ? kWindows1252High[byte - 0x80] : char32_t{byte});
  }
}

void ReportLineAssembler::Feed(std::string_view bytes, const LineHandler& on_line) {
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    if (after_cr_) {
      after_cr_ = false;
      if (bytes[pos] == '\n') {
        ++pos;
        continue;
      }
    }
    std::size_t end = pos;
    while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n') ++end;
    if (end > pos) {
      AppendDecoded(bytes.substr(pos, end - pos));
      line_started_ = true;
    }
    if (end == bytes.size()) break;
    after_cr_ = bytes[end] == '\r';
    EndLine(on_line);
    pos = end + 1;
  }
}

void ReportLineAssembler::Finish(const LineHandler& on_line) {
  if (line_started_) EndLine(on_line);
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
  on_line(line_);
  line_.clear();  // keeps the capacity for the next line
  line_started_ = false;
}

}  // namespace reportword::report
