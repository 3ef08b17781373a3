#include "report/report_reader.h"

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <ios>
#include <limits>
#include <new>
#include <stdexcept>
#include <string_view>
#include <system_error>
#include <vector>

#include "core/generation_error.h"
#include "report/network_line_parser.h"
#include "report/report_decoding.h"
#include "report/road_line_parser.h"
#include "text/translate.h"
#include "text/unicode.h"
#include "text/utf8_path.h"

namespace reportword {
namespace {

using report::ReportEncoding;

[[noreturn]] void Fail(const std::string& name, const std::string& what) {
  throw GenerationError(text::Format(text::Translate("report file \"{0}\": {1}"), name, what));
}

// Reads the stream to its end in chunks; `on_chunk` returns false to stop early.
template <typename OnChunk>
void ReadChunks(std::istream& in, const std::string& name, std::vector<char>& buffer,
                OnChunk on_chunk) {
  try {
    for (;;) {
      in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
      const auto count = static_cast<std::size_t>(in.gcount());
      if (in.bad() || (in.fail() && !in.eof())) Fail(name, text::Translate("read error"));
      if (count > 0 && !on_chunk(std::string_view(buffer.data(), count))) return;
      if (in.eof()) return;
    }
  } catch (const std::ios_base::failure&) {  // a stream set to throw
    Fail(name, text::Translate("read error"));
  }
}

// Reads no further than a line too long for a report: the second pass stops
// there with the line's number, so that the rest of such a file is never read.
ReportEncoding DetectEncoding(std::istream& in, const std::string& name,
                              std::vector<char>& buffer) {
  report::Utf8Validator validator;
  report::LongLineFinder long_lines;
  ReadChunks(in, name, buffer, [&](std::string_view chunk) {
    const bool well_formed = validator.Feed(chunk);
    return long_lines.Feed(chunk) && well_formed;
  });
  return validator.Finish() ? ReportEncoding::kUtf8 : ReportEncoding::kWindows1252;
}

void Rewind(std::istream& in, const std::string& name) {
  in.clear();
  in.seekg(0, std::ios::beg);
  if (!in) Fail(name, text::Translate("cannot be read a second time (the stream is not seekable)"));
}

void ReadReportLines(std::istream& in, const std::string& name, JobState& job) {
  std::vector<char> buffer(report::kReadChunkSize);
  const ReportEncoding encoding = DetectEncoding(in, name, buffer);
  Rewind(in, name);

  NetworkLineParser network_parser;
  RoadLineParser road_parser;
  std::int32_t line_number = 0;
  const report::ReportLineAssembler::LineHandler parse_line = [&](const std::string& line) {
    if (line_number == std::numeric_limits<std::int32_t>::max()) {
      Fail(name, text::Translate("more than 2147483647 lines"));
    }
    ++line_number;
    if (line_number == 1) return;  // line 1 holds no data
    try {
      if (job.RoadRenovationMode) {
        road_parser.ParseRoadLine(line, job);
      } else {
        network_parser.ParseNetworkLine(line, job);
      }
    } catch (const std::overflow_error& error) {
      throw GenerationError(text::Format(text::Translate("report file \"{0}\", line {1}: {2}"),
                                         name, line_number, error.what()));
    }
  };

  report::ReportLineAssembler assembler(encoding);
  // The second pass checks again, so that a file changed in between cannot
  // bring ill-formed UTF-8 into the job state.
  report::Utf8Validator validator;
  const auto check_still_utf8 = [&](bool well_formed) {
    if (encoding == ReportEncoding::kUtf8 && !well_formed) {
      Fail(name, text::Translate("changed while it was being read"));
    }
  };
  try {
    ReadChunks(in, name, buffer, [&](std::string_view chunk) {
      if (encoding == ReportEncoding::kUtf8) check_still_utf8(validator.Feed(chunk));
      assembler.Feed(chunk, parse_line);
      return true;
    });
  } catch (const report::LineTooLong&) {
    throw GenerationError(text::Format(
        text::Translate("report file \"{0}\", line {1}: {2}"), name,
        static_cast<std::int64_t>(line_number) + 1,
        text::Format(text::Translate("longer than the limit of {0} MiB; this is not a report"),
                     report::kMaxLineBytes >> 20)));
  }
  check_still_utf8(validator.Finish());
  assembler.Finish(parse_line);
}

}  // namespace

void ReadReport(std::istream& in, const std::string& name, JobState& job) {
  // Where memory runs out, the message names the file rather than the library's
  // name for the failure.
  try {
    ReadReportLines(in, name, job);
  } catch (const std::bad_alloc&) {
    Fail(name, text::Translate("not enough memory to read it"));
  } catch (const std::length_error&) {
    Fail(name, text::Translate("holds more than this program can keep in memory"));
  }
}

void ReadReportFile(JobState& job) {
  const std::string& path = job.ReportFilePath;
  std::ifstream in;
  errno = 0;
  in.open(text::PathFromUtf8(path), std::ios::in | std::ios::binary);
  if (!in.is_open()) {
    const int error = errno;
    Fail(path, error != 0 ? text::Format(text::Translate("cannot be opened: {0}"),
                                         std::generic_category().message(error))
                          : text::Translate("cannot be opened"));
  }
  ReadReport(in, path, job);
}

}  // namespace reportword
