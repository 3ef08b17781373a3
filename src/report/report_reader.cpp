#include "report/report_reader.h"

#include <cstdint>
#include <ios>
#include <limits>
#include <new>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <utility>
#include <vector>

#include "job/generation_error.h"
#include "report/network_line_parser.h"
#include "report/report_decoding.h"
#include "report/report_file.h"
#include "report/report_observer.h"
#include "report/road_line_parser.h"
#include "text/translate.h"

namespace reportword {
namespace {

using report::ReportEncoding;

[[noreturn]] void Fail(const std::string& name, const std::string& what) {
  throw GenerationError(text::Format(text::Translate("report file \"{0}\": {1}"), name, what));
}

[[noreturn]] void FailAtLine(const std::string& name, std::int64_t line, const std::string& what) {
  throw GenerationError(
      text::Format(text::Translate("report file \"{0}\", line {1}: {2}"), name, line, what));
}

// Where the reader takes its bytes from, twice over: the first pass settles
// the encoding, the second parses.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Up to `size` bytes into `data`; 0 at the end. Throws GenerationError.
  virtual std::size_t Read(char* data, std::size_t size) = 0;
  virtual void Rewind() = 0;
};

class StreamSource final : public ByteSource {
 public:
  StreamSource(std::istream& in, const std::string& name) : in_(in), name_(name) {}
  std::size_t Read(char* data, std::size_t size) override {
    try {
      in_.read(data, static_cast<std::streamsize>(size));
    } catch (const std::ios_base::failure&) {  // a stream set to throw
      Fail(name_, text::Translate("read error"));
    }
    if (in_.bad() || (in_.fail() && !in_.eof())) Fail(name_, text::Translate("read error"));
    return static_cast<std::size_t>(in_.gcount());
  }
  void Rewind() override {
    in_.clear();
    in_.seekg(0, std::ios::beg);
    if (!in_) {
      Fail(name_, text::Translate("cannot be read a second time (the stream is not seekable)"));
    }
  }

 private:
  std::istream& in_;
  const std::string& name_;
};

class FileSource final : public ByteSource {
 public:
  explicit FileSource(ReportFile& file) : file_(file) {}
  std::size_t Read(char* data, std::size_t size) override { return file_.Read(data, size); }
  void Rewind() override { file_.Rewind(); }

 private:
  ReportFile& file_;
};

// Reads the source to its end in chunks; `on_chunk` returns false to stop early.
template <typename OnChunk>
void ReadChunks(ByteSource& source, std::vector<char>& buffer, OnChunk on_chunk) {
  for (;;) {
    const std::size_t count = source.Read(buffer.data(), buffer.size());
    if (count == 0 || !on_chunk(std::string_view(buffer.data(), count))) return;
  }
}

struct EncodingChoice {
  ReportEncoding encoding;
  bool byte_order_mark;
};

// A byte-order mark of UTF-16 decides at once. Otherwise this pass reads no
// further than a line too long for a report: the second pass stops there with
// the line's number, so that the rest of such a file is never read.
EncodingChoice DetectEncoding(ByteSource& source, const std::string& name,
                              std::vector<char>& buffer) {
  std::optional<ReportEncoding> utf16;
  bool first_chunk = true;
  bool utf8_mark = false;
  report::Utf8Validator validator;
  report::LongLineFinder long_lines;
  ReadChunks(source, buffer, [&](std::string_view chunk) {
    if (std::exchange(first_chunk, false)) {
      utf16 = report::Utf16ByOrderMark(chunk);
      if (utf16) return false;
      utf8_mark = chunk.starts_with("\xEF\xBB\xBF");
      if (const std::optional<ReportEncoding> guess = report::Utf16ByNulPattern(chunk)) {
        Fail(name, text::Format(text::Translate("looks like {0} text without a byte-order mark, "
                                                "which would be read wrongly; save it as UTF-8, "
                                                "or as UTF-16 with a byte-order mark"),
                                *guess == ReportEncoding::kUtf16Le ? "UTF-16 LE" : "UTF-16 BE"));
      }
    }
    const bool well_formed = validator.Feed(chunk);
    return long_lines.Feed(chunk) && well_formed;
  });
  if (utf16) return {*utf16, true};
  const bool utf8 = validator.Finish();
  return {utf8 ? ReportEncoding::kUtf8 : ReportEncoding::kWindows1252, utf8 && utf8_mark};
}

// What a line became, from the section state of its parser before and after.
LineRole RoleOf(std::int32_t line_number, std::int16_t section_before, std::int16_t skipped_before,
                std::int16_t skipped_after) {
  if (line_number == 1) return LineRole::kDiscarded;
  if (section_before == 0)
    return skipped_after > 0 ? LineRole::kSectionBreak : LineRole::kTable1Row;
  return skipped_after > skipped_before ? LineRole::kSkipped : LineRole::kTable2Row;
}

void ReadReportLines(ByteSource& source, const std::string& name, JobState& job,
                     ReportObserver* observer) {
  std::vector<char> buffer(report::kReadChunkSize);
  // A named variable, not a structured binding: the lambdas below capture it.
  const EncodingChoice choice = DetectEncoding(source, name, buffer);
  const ReportEncoding encoding = choice.encoding;
  source.Rewind();
  if (observer) observer->EncodingChosen(encoding, choice.byte_order_mark);

  // UTF-16 reaches the lines as the UTF-8 it is decoded to.
  const bool utf16 = encoding == ReportEncoding::kUtf16Le || encoding == ReportEncoding::kUtf16Be;
  report::ReportLineAssembler assembler(utf16 ? ReportEncoding::kUtf8 : encoding,
                                        observer && !utf16);
  NetworkLineParser network_parser;
  RoadLineParser road_parser;
  std::int16_t& section =
      job.RoadRenovationMode ? road_parser.RoadSection : network_parser.NetworkSection;
  std::int16_t& skipped =
      job.RoadRenovationMode ? road_parser.RoadSkipCount : network_parser.NetworkSkipCount;
  std::int32_t line_number = 0;
  const report::ReportLineAssembler::LineHandler parse_line = [&](const std::string& line) {
    if (line_number == std::numeric_limits<std::int32_t>::max()) {
      Fail(name, text::Translate("more than 2147483647 lines"));
    }
    ++line_number;
    const std::int16_t section_before = section, skipped_before = skipped;
    try {
      if (line_number == 1) {
        // line 1 holds no data
      } else if (job.RoadRenovationMode) {
        road_parser.ParseRoadLine(line, job);
      } else {
        network_parser.ParseNetworkLine(line, job);
      }
    } catch (const std::overflow_error& error) {
      FailAtLine(name, line_number, error.what());
    }
    if (observer) {
      observer->LineRead(line_number, line, assembler.raw_line(),
                         RoleOf(line_number, section_before, skipped_before, skipped), job);
    }
  };
  // The line that the bytes read next belong to.
  const auto current_line = [&] { return static_cast<std::int64_t>(line_number) + 1; };

  report::Utf16Decoder utf16_decoder(encoding == ReportEncoding::kUtf16Be);
  const auto fail_utf16 = [&] {
    FailAtLine(name, current_line(),
               text::Translate("holds a UTF-16 character cut in half (a surrogate without its "
                               "partner, or an odd last byte); this is not valid UTF-16"));
  };
  std::string decoded;
  // The second pass checks again, so that a file changed in between cannot
  // bring ill-formed UTF-8 into the job state.
  report::Utf8Validator validator;
  const auto check_still_utf8 = [&](bool well_formed) {
    if (encoding == ReportEncoding::kUtf8 && !well_formed) {
      Fail(name, text::Translate("changed while it was being read"));
    }
  };
  try {
    ReadChunks(source, buffer, [&](std::string_view chunk) {
      if (utf16) {
        decoded.clear();
        const bool well_formed = utf16_decoder.Feed(chunk, decoded);
        assembler.Feed(decoded, parse_line);  // the lines before a broken character
        if (!well_formed) fail_utf16();
        return true;
      }
      if (encoding == ReportEncoding::kUtf8) check_still_utf8(validator.Feed(chunk));
      assembler.Feed(chunk, parse_line);
      return true;
    });
  } catch (const report::LineTooLong&) {
    FailAtLine(
        name, current_line(),
        text::Format(text::Translate("longer than the limit of {0} MiB; this is not a report"),
                     report::kMaxLineBytes >> 20));
  }
  if (utf16 && !utf16_decoder.Finish()) fail_utf16();
  check_still_utf8(validator.Finish());
  assembler.Finish(parse_line);
  if (observer) observer->Finished(assembler.line_ends());
}

// Where memory runs out, the message names the file rather than the library's
// name for the failure.
void ReadNamingTheFile(ByteSource& source, const std::string& name, JobState& job,
                       ReportObserver* observer) {
  try {
    ReadReportLines(source, name, job, observer);
  } catch (const std::bad_alloc&) {
    Fail(name, text::Translate("not enough memory to read it"));
  } catch (const std::length_error&) {
    Fail(name, text::Translate("holds more than this program can keep in memory"));
  }
}

}  // namespace

void ReadReport(std::istream& in, const std::string& name, JobState& job,
                ReportObserver* observer) {
  StreamSource source(in, name);
  ReadNamingTheFile(source, name, job, observer);
}

void ReadReportFile(JobState& job, ReportObserver* observer) {
  ReportFile file(job.ReportFilePath);
  job.OwnFiles.Add(file.identity());
  FileSource source(file);
  ReadNamingTheFile(source, job.ReportFilePath, job, observer);
}

}  // namespace reportword
