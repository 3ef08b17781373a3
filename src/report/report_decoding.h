// Turning the raw bytes of a report into UTF-8 lines. A report that begins
// with the byte-order mark of UTF-16 is UTF-16 (as Windows PowerShell and
// Notepad write text); otherwise it is UTF-8 when every byte of it is part of
// well-formed UTF-8, and else Windows-1252, the code page such reports are
// usually written in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace reportword::report {

// Size of the pieces in which a report is read; lines may be longer.
inline constexpr std::size_t kReadChunkSize = 64 * 1024;

// The longest line a report may have, in bytes as they stand in the file, the
// line end not counted. Real rows are a few hundred bytes; the limit only
// keeps a file that is not a report (an image, a sparse file of zeros) from
// taking the machine's memory as one line.
inline constexpr std::size_t kMaxLineBytes = 4 * 1024 * 1024;
static_assert(kReadChunkSize < kMaxLineBytes, "a line within one piece is never too long");

// Thrown by ReportLineAssembler::Feed when a line grows past kMaxLineBytes.
struct LineTooLong {};

// Finds, as pieces arrive, whether a line is longer than kMaxLineBytes.
class LongLineFinder {
 public:
  // False once the bytes fed so far hold a line longer than the limit.
  bool Feed(std::string_view bytes);

 private:
  std::size_t open_line_bytes_ = 0;  // since the last line end
};

enum class ReportEncoding { kUtf8, kWindows1252, kUtf16Le, kUtf16Be };

// The UTF-16 form that the byte-order mark at the start of `bytes` names.
std::optional<ReportEncoding> Utf16ByOrderMark(std::string_view bytes);

// The UTF-16 form that `bytes` (the start of a file without a byte-order
// mark) look like: text of Latin letters in UTF-16 has a NUL in every second
// byte. Read as 8-bit text, such a file would give wrong rows without a word.
std::optional<ReportEncoding> Utf16ByNulPattern(std::string_view bytes);

// Turns UTF-16 bytes, fed in pieces of any size, into UTF-8. A byte-order
// mark at the very start is dropped.
class Utf16Decoder {
 public:
  explicit Utf16Decoder(bool big_endian) : big_endian_(big_endian) {}
  // Appends the UTF-8 of every character that `bytes` completes to `out`.
  // Returns false at a surrogate without its partner, `out` then holding
  // the text before it; false from then on.
  bool Feed(std::string_view bytes, std::string& out);
  // True when no character was left incomplete (an odd last byte, a high
  // surrogate at the end) and no surrogate stood alone.
  bool Finish() const { return valid_ && !odd_byte_ && high_surrogate_ == 0; }

 private:
  bool Take(char16_t unit, std::string& out);

  bool big_endian_;
  bool valid_ = true;
  bool first_ = true;
  std::optional<char> odd_byte_;  // the first byte of a unit the last piece cut
  char16_t high_surrogate_ = 0;   // waiting for its low surrogate
};

// Checks bytes for well-formed UTF-8 as they arrive in pieces of any size; a
// sequence may be split between two pieces.
class Utf8Validator {
 public:
  // Returns false once ill-formed bytes were fed; a sequence cut between two
  // pieces is judged when the next piece arrives.
  bool Feed(std::string_view bytes);
  // True when everything fed was well-formed and no sequence is left open.
  bool Finish() const;

 private:
  bool valid_ = true;
  // The start of a sequence that the last piece cut off (at most three bytes),
  // checked together with the next piece.
  std::string open_sequence_;
};

// Appends the UTF-8 form of Windows-1252 bytes. The five bytes the code page
// leaves undefined (81, 8D, 8F, 90, 9D) become the C1 controls of equal value.
void AppendWindows1252(std::string& out, std::string_view bytes);

enum class LineEnd { kCrLf, kCr, kLf };

// How the lines of a report end: counts of each kind, and the first line whose
// end differs from the first line's, a sign of a file stitched together.
struct LineEndCounts {
  std::uint64_t cr_lf = 0;
  std::uint64_t cr = 0;
  std::uint64_t lf = 0;
  std::uint64_t first_different_line = 0;  // 0: none
  std::uint64_t Total() const { return cr_lf + cr + lf; }
};

// Splits the bytes of a report, fed in pieces of any size, into decoded lines.
// A line ends at CR, at CR LF or at a lone LF; the line end is not part of the
// line. A line end after the last line gives no further, empty line. In UTF-8
// the caller must have checked the bytes; a byte-order mark at the very start
// is dropped.
class ReportLineAssembler {
 public:
  using LineHandler = std::function<void(const std::string& line)>;

  // With `keep_raw`, raw_line() holds each line's bytes as they stand in the
  // file while on_line runs.
  explicit ReportLineAssembler(ReportEncoding encoding, bool keep_raw = false)
      : encoding_(encoding), keep_raw_(keep_raw) {}

  // Calls on_line for every line that `bytes` completes. Throws LineTooLong,
  // before taking the memory, when a line grows past kMaxLineBytes.
  void Feed(std::string_view bytes, const LineHandler& on_line);
  // Hands over a last line that has no line end.
  void Finish(const LineHandler& on_line);

  const std::string& raw_line() const { return raw_; }
  // Complete once Finish has run: a CR's kind is known only from what follows.
  const LineEndCounts& line_ends() const { return line_ends_; }

 private:
  void AppendDecoded(std::string_view bytes);
  void EndLine(const LineHandler& on_line);
  void CountLineEnd(LineEnd end);

  ReportEncoding encoding_;
  bool keep_raw_;
  std::string raw_;
  LineEndCounts line_ends_;
  std::uint64_t lines_ended_ = 0;
  std::optional<LineEnd> first_end_;
  std::string line_;
  std::size_t line_bytes_ = 0;  // of the line in the file, as kMaxLineBytes counts them
  bool line_started_ = false;   // bytes have come since the last line end
  bool after_cr_ = false;       // an LF that comes next belongs to that CR
  bool first_line_ = true;
};

}  // namespace reportword::report
