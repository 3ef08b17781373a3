#include "report/report_reader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <filesystem>
#include <fstream>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "job/generation_error.h"
#include "report/report_decoding.h"
#include "report/report_file.h"
#include "report/report_observer.h"
#include "test_support.h"
#include "text/failure.h"
#include "text/unicode.h"

namespace reportword {
namespace {

using namespace std::string_literals;

JobState ReadBytes(const std::string& bytes, bool road = false) {
  JobState job;
  job.RoadRenovationMode = road;
  std::istringstream in(bytes);
  ReadReport(in, "mem.txt", job);
  return job;
}

TEST(ReportReaderTest, LinesAndLineEnds) {
  struct Case {
    const char* name;
    std::string bytes;
    std::string table_text1, table_text2;
  } cases[] = {
      {"CR", "t\r1\t2\tA\r1\t2\tB\r", "A\t\t\r\nB\t\t\r\n", ""},
      {"CR LF", "t\r\n1\t2\tA\r\n1\t2\tB\r\n", "A\t\t\r\nB\t\t\r\n", ""},
      {"LF", "t\n1\t2\tA\n1\t2\tB\n", "A\t\t\r\nB\t\t\r\n", ""},
      {"mixed", "t\r\n1\t2\tA\n1\t2\tB\r1\t2\tC\r\n", "A\t\t\r\nB\t\t\r\nC\t\t\r\n", ""},
      {"no final line end", "t\r\n1\t2\tA\r\n1\t2\tB", "A\t\t\r\nB\t\t\r\n", ""},
      {"two final line ends give an empty line", "t\n\ns\nX\tY\n\n", "", "X\tY\r\n\t\r\n"},
      {"CR CR gives an empty line", "t\r1\t2\tA\r\rs\rX\r", "A\t\t\r\n", "X\t\r\n"},
      {"LF CR is two line ends", "t\n\rs\nX", "", "X\t\r\n"},
      {"LF first ends line 1", "\n1\t2\tA\n", "A\t\t\r\n", ""},
      {"empty file", "", "", ""},
      {"only line 1", "1\t2\t3", "", ""},
      {"only line 1 with line end", "1\t2\t3\r\n", "", ""},
      {"blank line 1 is only discarded", "  \r\n1\t2\tA\r\n", "A\t\t\r\n", ""},
      {"NUL and controls are data", "t\r\n1\t2\tA\0B\x01\r\n"s, "A\0B\x01\t\t\r\n"s, ""},
  };
  for (const Case& c : cases) {
    const JobState job = ReadBytes(c.bytes);
    EXPECT_EQ(job.TableText1, c.table_text1) << c.name;
    EXPECT_EQ(job.TableText2, c.table_text2) << c.name;
  }
}

TEST(ReportReaderTest, Encodings) {
  struct Case {
    const char* name;
    std::string bytes;
    std::string object_designation;
  } cases[] = {
      {"UTF-8",
       "t\r\nB\tHauptstra\xC3\x9F"
       "e",
       "Hauptstraße"},
      {"Windows-1252",
       "t\r\nB\tHauptstra\xDF"
       "e",
       "Hauptstraße"},
      {"UTF-8 with BOM",
       "\xEF\xBB\xBFt\r\nB\tHauptstra\xC3\x9F"
       "e",
       "Hauptstraße"},
      {"BOM alone on line 1",
       "\xEF\xBB\xBF\r\nB\tHauptstra\xC3\x9F"
       "e",
       "Hauptstraße"},
      {"BOM, but not UTF-8 after it",
       "\xEF\xBB\xBFt\r\nB\tHauptstra\xDF"
       "e",
       "Hauptstraße"},
      {"U+FEFF after line 1 is data", "t\r\nB\t\xEF\xBB\xBFX", "\xEF\xBB\xBFX"},
      {"Windows-1252 high range", "t\r\nB\t\x80\x81\x8D\x8F\x90\x93\x94\x95\x9D\x9F\xA0\xFF",
       "€\u0081\u008D\u008F\u0090“”•\u009D\u0178\u00A0ÿ"},
      {"truncated sequence at the end", "t\r\nB\tx\xC3", "xÃ"},
      {"overlong form", "t\r\nB\t\xC0\xAF", "À¯"},
      {"surrogate", "t\r\nB\t\xED\xA0\x80", "í\u00A0€"},
      {"above U+10FFFF", "t\r\nB\t\xF4\x90\x80\x80", "ô\u0090€€"},
      {"lone continuation byte", "t\r\nB\tä\x9F", "Ã¤Ÿ"},
  };
  for (const Case& c : cases) {
    const JobState job = ReadBytes(c.bytes);
    EXPECT_EQ(job.ObjectDesignation, c.object_designation) << c.name;
    EXPECT_EQ(job.BuildNumber, "B") << c.name;
    EXPECT_TRUE(text::IsValidUtf8(job.ObjectDesignation)) << c.name;
  }
}

TEST(ReportReaderTest, ChunkBoundaries) {
  // Line 1 is padded so that the chunk boundary falls on each byte of the
  // two-byte ß and of the CR LF pairs around it in turn.
  for (std::size_t shift = 0; shift <= 12; ++shift) {
    const std::string line1(report::kReadChunkSize - shift, 'x');
    const JobState utf8 = ReadBytes(line1 + "\r\nB\tstraße\r\n\r\ns\r\nX\r\n");
    EXPECT_EQ(utf8.ObjectDesignation, "straße") << shift;
    EXPECT_EQ(utf8.TableText1, "\t\t\r\n") << shift;
    EXPECT_EQ(utf8.TableText2, "X\t\r\n") << shift;
    const JobState cp1252 = ReadBytes(line1 + "\r\nB\tstra\xDF" + "e\r\n");
    EXPECT_EQ(cp1252.ObjectDesignation, "straße") << shift;
  }
}

TEST(ReportReaderTest, EncodingIsDecidedByTheWholeFile) {
  std::string report = "t\r\nB\tstra\xC3\x9F\r\n";
  report.append(3 * report::kReadChunkSize, 'x');
  report += "\xFF";
  const JobState job = ReadBytes(report);
  EXPECT_EQ(job.ObjectDesignation, "straÃŸ");
}

// The limit counts a line's bytes in the file, wherever the read pieces cut it;
// the first pass stops at an overlong line, the second names it.
TEST(ReportReaderTest, LinesUpToTheLimitAreReadLongerOnesRefused) {
  const std::string longest(report::kMaxLineBytes, 'x');
  for (const bool cp1252 : {false, true}) {
    const std::string tail = cp1252 ? "\r\nB\t\xE4\r\n" : "\r\nB\t\xC3\xA4\r\n";
    EXPECT_EQ(ReadBytes("t\r\n" + longest + tail).ObjectDesignation, "ä") << cp1252;
    EXPECT_THAT([&] { ReadBytes("t\r\nA\r\n" + longest + "x" + tail); },
                ::testing::ThrowsMessage<GenerationError>(
                    ::testing::StrEq("report file \"mem.txt\", line 3: longer than the limit of 4 "
                                     "MiB; this is not a report")));
  }
  // The first pass, fed in pieces that cut the line anywhere.
  const std::pair<std::vector<std::string>, bool> feeds[] = {{{longest}, true},
                                                             {{longest, "\r"}, true},
                                                             {{longest, "x\n"}, false},
                                                             {{"\n" + longest, "x"}, false},
                                                             {{"a\n", longest, "\rx"}, true}};
  for (const auto& [pieces, fits] : feeds) {
    report::LongLineFinder finder;
    bool all_fit = true;
    for (const std::string& piece : pieces) all_fit = finder.Feed(piece) && all_fit;
    EXPECT_EQ(all_fit, fits) << pieces.size() << " pieces, the first of " << pieces[0].size();
  }
}

// Hands out its text once and cannot seek back.
class OneWayBuffer : public std::streambuf {
 public:
  explicit OneWayBuffer(std::string text) : text_(std::move(text)) {
    setg(text_.data(), text_.data(), text_.data() + text_.size());
  }

 private:
  std::string text_;
};

TEST(ReportReaderTest, UnseekableStreamIsAnError) {
  OneWayBuffer buffer("t\r\n1\t2\tA\r\n");
  std::istream in(&buffer);
  JobState job;
  EXPECT_THROW(ReadReport(in, "pipe", job), GenerationError);
}

TEST(ReportReaderTest, Utf8ValidatorJudgesSequencesSplitAnywhere) {
  const std::pair<std::string, bool> samples[] = {
      {"abc", true},
      {"Hauptstraße", true},
      {"€ 𝄞 \xEF\xBB\xBF", true},
      // The last code point before the surrogates, overlong forms, U+10FFFF, and
      // what the report reader's encoding rows do not cover.
      {"\xED\x9F\xBF", true},
      {"\xE0\x9F\xBF", false},
      {"\xF0\x8F\xBF\xBF", false},
      {"\xF4\x8F\xBF\xBF", true},
      {"\xF4\x90\x80\x80", false},
      {"\xC3"
       "a",
       false},
      {"\xF8\x88\x80\x80\x80", false},
      {"0123456789abcdefä0123456789abcdef", true}};
  for (const auto& [sample, valid] : samples) {
    // Every way of cutting the sample into three pieces.
    for (std::size_t a = 0; a <= sample.size(); ++a) {
      for (std::size_t b = a; b <= sample.size(); ++b) {
        report::Utf8Validator validator;
        validator.Feed(std::string_view(sample).substr(0, a));
        validator.Feed(std::string_view(sample).substr(a, b - a));
        validator.Feed(std::string_view(sample).substr(b));
        EXPECT_EQ(validator.Finish(), valid) << sample << " cut at " << a << ", " << b;
      }
    }
  }
}

// Windows PowerShell writes its output so, and Notepad's "Unicode" too.
TEST(ReportReaderTest, Utf16WithAByteOrderMarkGivesWhatTheSameTextGivesIn8Bits) {
  const std::filesystem::path examples = std::filesystem::path(REPORTWORD_SOURCE_DIR) / "examples";
  for (const auto& [file, road] :
       {std::pair{"netzbericht-9520e000.txt", false}, std::pair{"strassensanierung.txt", true}}) {
    const std::string windows1252 = test::ReadFile(examples / file);
    std::string utf8;
    report::AppendWindows1252(utf8, windows1252);
    const JobState expected = ReadBytes(windows1252, road);
    ASSERT_FALSE(expected.TableText2.empty()) << file;
    for (const bool big_endian : {false, true}) {
      SCOPED_TRACE(std::string(file) + (big_endian ? ", big-endian" : ", little-endian"));
      const JobState job = ReadBytes(test::Utf16(utf8, big_endian), road);
      EXPECT_EQ(job.TableText1, expected.TableText1);
      EXPECT_EQ(job.TableText2, expected.TableText2);
      EXPECT_EQ(job.BuildNumber, expected.BuildNumber);
      EXPECT_EQ(job.ObjectDesignation, expected.ObjectDesignation);
    }
  }
}

TEST(ReportReaderTest, Utf16CharactersCutByTheReadPiecesStayWhole) {
  // The piece boundary falls on each byte of a surrogate pair and of the
  // CR LF after it in turn.
  for (std::size_t shift = 0; shift <= 10; ++shift) {
    const std::string line1((report::kReadChunkSize - 2 - shift) / 2, 'x');
    const std::string bytes =
        test::Utf16(line1 + "\r\nB\t\U0001D11E ä\r\n\r\ns\r\nX\tY", shift % 2);
    const JobState job = ReadBytes(bytes);
    EXPECT_EQ(job.ObjectDesignation, "\U0001D11E ä") << shift;
    EXPECT_EQ(job.TableText2, "X\tY\r\n") << shift;
  }
}

TEST(ReportReaderTest, BrokenOrUnmarkedUtf16IsRefusedNamingWhere) {
  const std::string good = test::Utf16("t\r\nB\tWeg\r\n", false);
  const std::string high("\x00\xD8", 2), low("\x00\xDC", 2);  // little-endian units
  struct Case {
    const char* name;
    std::string bytes;
    const char* message;
  } cases[] = {
      {"a high surrogate without its low one", good + high + test::Utf16("x", false, false),
       "line 3: holds a UTF-16 character cut in half"},
      {"a low surrogate alone", test::Utf16("t\r\n", false) + low,
       "line 2: holds a UTF-16 character"},
      {"a high surrogate at the end", good + high, "line 3: holds a UTF-16 character"},
      {"an odd last byte", good + "x", "line 3: holds a UTF-16 character"},
      {"little-endian without a mark", test::Utf16("t\r\nB\tWeg\r\n", false, false),
       "looks like UTF-16 LE text without a byte-order mark"},
      {"big-endian without a mark", test::Utf16("t\r\nB\tWeg\r\n", true, false),
       "looks like UTF-16 BE text without a byte-order mark"},
  };
  for (const Case& c : cases) {
    EXPECT_THAT(
        [&] { ReadBytes(c.bytes); },
        ::testing::ThrowsMessage<GenerationError>(::testing::AllOf(
            ::testing::StartsWith("report file \"mem.txt\""), ::testing::HasSubstr(c.message))))
        << c.name;
  }
}

// Keeps what the reader tells an observer.
class RecordingObserver : public ReportObserver {
 public:
  void EncodingChosen(report::ReportEncoding, bool) override {}
  void LineRead(std::int64_t, const std::string&, const std::string&, LineRole role,
                const JobState&) override {
    roles.push_back(role);
  }
  void Finished(const report::LineEndCounts& counts) override { line_ends = counts; }
  std::vector<LineRole> roles;
  report::LineEndCounts line_ends;
};

// What each line becomes, and how the lines end: a CR whose LF comes in the
// next piece read ends one line, not two.
TEST(ReportReaderTest, AnObserverIsToldWhatEachLineBecomesAndHowLinesEnd) {
  using enum LineRole;
  const std::string line1(report::kReadChunkSize - 1, 'x');  // its CR ends the first piece
  const std::string bytes = line1 + "\r\nB\tW\tA\r\n\r\nKopf\r\nX\tY\nZ\r\n\rlast";
  JobState job;
  std::istringstream in(bytes);
  RecordingObserver observer;
  ReadReport(in, "mem.txt", job, &observer);
  EXPECT_EQ(observer.roles,
            (std::vector<LineRole>{kDiscarded, kTable1Row, kSectionBreak, kSkipped, kTable2Row,
                                   kTable2Row, kTable2Row, kTable2Row}));
  EXPECT_EQ(observer.line_ends.cr_lf, 5u);
  EXPECT_EQ(observer.line_ends.lf, 1u);
  EXPECT_EQ(observer.line_ends.cr, 1u);
  EXPECT_EQ(observer.line_ends.first_different_line, 5u);
}

TEST(ReportFileTest, WhatCannotBeReadIsNamedAndWhatIsNoFileFailsTheInputCheck) {
  test::TempDir dir;
  const std::string missing = (dir / "missing.txt").string();
  JobState job;
  job.ReportFilePath = missing;
  EXPECT_THAT([&] { ReadReportFile(job); },
              ::testing::ThrowsMessage<GenerationError>(::testing::StrEq(
                  "report file \"" + missing + "\": cannot be opened: no such file or folder")));

  std::vector<std::string> not_files = {dir.path().string()};
#ifndef _WIN32
  // A fifo put where the report was: refused at once, not waited on.
  ASSERT_EQ(::mkfifo((dir / "fifo.txt").c_str(), 0600), 0);
  not_files.push_back((dir / "fifo.txt").string());
#endif
  for (const std::string& path : not_files) {
    job.ReportFilePath = path;
    try {
      ReadReportFile(job);
      ADD_FAILURE() << path << " was read";
    } catch (const InputCheckFailure& error) {
      EXPECT_EQ(error.check(), FailedInputCheck::kReportMissing);
      EXPECT_THAT(error.what(), ::testing::HasSubstr(path));
    }
  }
}

// A report that grows while it is read ends where it ended when it was opened.
TEST(ReportFileTest, ReadsNoFurtherThanTheSizeItHadWhenOpened) {
  test::TempDir dir;
  test::WriteFile(dir / "r.txt", "t\r\nB\tWeg\r\n");
  ReportFile file((dir / "r.txt").string());
  std::ofstream(dir / "r.txt", std::ios::binary | std::ios::app) << "B\tmore\r\n";
  for (int pass = 0; pass < 2; ++pass) {
    std::string read(64, '\0');
    read.resize(file.Read(read.data(), read.size()));
    EXPECT_EQ(read, "t\r\nB\tWeg\r\n") << pass;
    EXPECT_EQ(file.Read(read.data(), read.size()), 0u) << pass;
    file.Rewind();
  }
}

}  // namespace
}  // namespace reportword
