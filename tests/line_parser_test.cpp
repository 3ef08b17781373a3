#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "job/job_state.h"
#include "report/network_line_parser.h"
#include "report/road_line_parser.h"
#include "text/unicode.h"

namespace reportword {
namespace {

// `lines`: the report from its line 2 on.
struct ParserCase {
  const char* name;
  std::vector<std::string> lines;
  std::string build_number, object_designation, table_text1, table_text2;
};

void ExpectParsed(const ParserCase& c, bool road) {
  JobState job;
  NetworkLineParser network;
  RoadLineParser road_parser;
  for (const std::string& line : c.lines) {
    road ? road_parser.ParseRoadLine(line, job) : network.ParseNetworkLine(line, job);
  }
  EXPECT_EQ(job.BuildNumber, c.build_number) << c.name;
  EXPECT_EQ(job.ObjectDesignation, c.object_designation) << c.name;
  EXPECT_EQ(job.TableText1, c.table_text1) << c.name;
  EXPECT_EQ(job.TableText2, c.table_text2) << c.name;
}

TEST(LineParserTest, NetworkLines) {
  const ParserCase cases[] = {
      {"full line", {"V1\tV2\tV3\tV4\tV5"}, "V1", "V2", "V3\tV4\tV5\r\n", ""},
      {"fields past 5 dropped", {"V1\tV2\tV3\tV4\tV5\tV6\tV7"}, "V1", "V2", "V3\tV4\tV5\r\n", ""},
      {"leading tab", {"\tV2\tV3\tV4\tV5"}, "", "V2", "V3\tV4\tV5\r\n", ""},
      {"trailing tab", {"V1\tV2\tV3\t"}, "V1", "V2", "V3\t\t\r\n", ""},
      {"tabs only is not blank", {"\t\t\t"}, "", "", "\t\t\r\n", ""},
      {"fields keep spaces", {"V1\tV2\t  \tV4\tV5"}, "V1", "V2", "  \tV4\tV5\r\n", ""},
      {"no blank line", {"a\tb\tc", "d\te\tf"}, "a", "b", "c\t\t\r\nf\t\t\r\n", ""},
      {"spaces-only line switches", {"   ", "S\tT", "X\tY\tZ", "W"}, "", "", "", "X\tY\r\nW\t\r\n"},
      {"second blank line skipped", {"a\tb\tc", "", "", "X\tY"}, "a", "b", "c\t\t\r\n", "X\tY\r\n"},
      {"later blank lines", {"", "skip", "X", "", "  "}, "", "", "", "X\t\r\n\t\r\n  \t\r\n"},
      {"nothing after skips", {"a\tb\tc", "", "last"}, "a", "b", "c\t\t\r\n", ""},
      {"blank build number waits",
       {"   \tP\tc", "K\tQ\td", "L"},
       "K",
       "P",
       "c\t\t\r\nd\t\t\r\n\t\t\r\n",
       ""},
      // While still blank, a second-section line offers empty values.
      {"second section clears", {"  \t\tc", "", "x"}, "", "", "c\t\t\r\n", ""},
  };
  for (const ParserCase& c : cases) ExpectParsed(c, false);
}

TEST(LineParserTest, RoadLines) {
  const ParserCase cases[] = {
      {"full line", {"V1\tV2\tK1\tV4\tV5"}, "V1", " K1", "V2\tV4\tV5\r\n", ""},
      // k1 differs in case, K occurs inside K1, "1 K" spans the space between two values.
      {"collects new values",
       {"B\t\tK1", "\t\tK2", "\t\tk1", "\t\tK", "\t\t1 K", "\t\tK3"},
       "B",
       " K1 K2 K3",
       "\t\t\r\n\t\t\r\n\t\t\r\n\t\t\r\n\t\t\r\n\t\t\r\n",
       ""},
      {"case beyond ASCII",
       {"\t\tÖlweg", "\t\tÖLWEG", "\t\tstraße"},
       "",
       " Ölweg straße",
       "\t\t\r\n\t\t\r\n\t\t\r\n",
       ""},
      {"no field 3 gives a space", {"V1\tV2", "\t\tK1"}, "V1", "  K1", "V2\t\t\r\n\t\t\r\n", ""},
      {"blank first line", {"", "skip", "X\tY\tZ"}, "", " ", "", "X\tY\r\n"},
      {"second section not collected",
       {"\t\tK1", "", "s", "X\tY\tZ"},
       "",
       " K1",
       "\t\t\r\n",
       "X\tY\r\n"},
      {"spaces are a value", {"\t\tK1", "\t\t  "}, "", " K1   ", "\t\t\r\n\t\t\r\n", ""},
  };
  for (const ParserCase& c : cases) ExpectParsed(c, true);
}

// A value is looked for in the designation as it stands, also when it was
// replaced after the parser last added to it.
TEST(LineParserTest, DesignationIsSearchedAgainAfterItWasReplaced) {
  struct Case {
    const char* replaced_by;
    const char* expected;
  };
  const Case cases[] = {
      {.replaced_by = "X", .expected = "X K1"},
      {.replaced_by = "Xk1y", .expected = "Xk1y"},
      {.replaced_by = "", .expected = " K1"},
  };
  for (const Case& c : cases) {
    JobState job;
    RoadLineParser parser;
    parser.ParseRoadLine("a\tb\tK1", job);
    job.ObjectDesignation = c.replaced_by;
    parser.ParseRoadLine("a\tb\tK1", job);
    EXPECT_EQ(job.ObjectDesignation, c.expected) << c.replaced_by;
  }
}

// The designation is searched through an index; it must agree with a plain
// case-folded search on every value, however the text grew.
TEST(LineParserTest, DesignationIndexAgreesWithAPlainSearch) {
  std::mt19937 random(7);
  const char* const alphabet[] = {"a", "B", "ß", "Ä", "ä", " ", "k1", "K"};
  JobState job;
  RoadLineParser parser;
  for (int line = 0; line < 3000; ++line) {
    std::string value;
    for (int n = static_cast<int>(random() % 4); n > 0; --n) value += alphabet[random() % 8];
    const std::string before = job.ObjectDesignation;
    const bool found = !before.empty() &&
                       text::FoldCase(before).find(text::FoldCase(value)) != std::u32string::npos;
    parser.ParseRoadLine("b\tv\t" + value, job);
    EXPECT_EQ(job.ObjectDesignation, found ? before : before + " " + value) << "line " << line;
  }
}

}  // namespace
}  // namespace reportword
