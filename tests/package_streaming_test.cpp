// A part streamed into a new package: what the producer makes is what the
// package holds, the entry stays plain zip, a failure of the producer is the
// save's failure, and a table written a row at a time is the table written at
// once, never larger than its bound.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "ooxml/body_table_writer.h"
#include "package/template_package.h"
#include "package_builder.h"

namespace reportword::docx {
namespace {

TEST(PackageStreamingTest, TheStreamedPartIsWhatTheProducerMade) {
  const auto template_package = TemplatePackage::FromBytes(
      test::ZipParts({{"a.xml", "<a/>"}, {"main.xml", "<old/>"}, {"z.xml", "<z/>"}}), "t");
  struct Case {
    const char* name;
    const char* part;
    std::vector<std::string> pieces;
    std::uint64_t size_bound;
    std::vector<std::string> order;
  };
  const std::string big(300000, 'x');
  const Case cases[] = {
      {"in place of a part, with empty pieces",
       "main.xml",
       {"<new>", "", "", "</new>"},
       1000,
       {"a.xml", "main.xml", "z.xml"}},
      {"a new part goes last", "new.xml", {"<n/>"}, 4, {"a.xml", "main.xml", "z.xml", "new.xml"}},
      {"pieces larger than libzip's reads, no bound",
       "main.xml",
       {big, "", big},
       0,
       {"a.xml", "main.xml", "z.xml"}},
      {"nothing at all", "main.xml", {""}, 1, {"a.xml", "main.xml", "z.xml"}},
  };

  for (const Case& c : cases) {
    std::size_t next = 0;
    const StreamedPart streamed{c.part,
                                [&](std::string& piece) {
                                  piece += c.pieces[next++];
                                  return next < c.pieces.size();
                                },
                                c.size_bound};
    const std::string zip = template_package->Write({}, {}, &streamed);
    EXPECT_EQ(next, c.pieces.size()) << c.name;
    const auto written = TemplatePackage::FromBytes(zip, "out");
    EXPECT_EQ(written->PartNames(), c.order) << c.name;
    std::string expected;
    for (const std::string& piece : c.pieces) expected += piece;
    EXPECT_EQ(written->ReadPart(c.part), expected) << c.name;
    if (c.size_bound != 0) {
      // Version 2.0 and no Zip64 extra field, as for every other entry.
      const std::size_t local = test::LocalHeader(zip, c.part);
      EXPECT_EQ(test::Get(zip, local + 4, 2), 20u) << c.name;
      EXPECT_EQ(test::Get(zip, local + 28, 2), 0u) << c.name;
    }
  }
}

TEST(PackageStreamingTest, AProducerThatFailsFailsTheWrite) {
  const auto template_package =
      TemplatePackage::FromBytes(test::ZipParts({{"main.xml", "<old/>"}}), "t");
  int calls = 0;
  const StreamedPart streamed{"main.xml",
                              [&](std::string& piece) {
                                if (++calls == 3) throw std::length_error("no room");
                                piece.assign(100000, 'x');
                                return true;
                              },
                              0};
  EXPECT_THROW(template_package->Write({}, {}, &streamed), std::length_error);
  EXPECT_EQ(calls, 3);
}

TEST(TableXmlWriterTest, RowByRowIsTheWholeTableAndWithinItsBound) {
  struct Case {
    const char* name;
    std::string text;
    int columns;
    bool leading_empty_row;
  };
  std::string ampersands_and_tabs;
  for (int i = 0; i < 1000; ++i) ampersands_and_tabs += "&\t";
  const Case cases[] = {
      {"rows and line ends of every kind", "a\tb\r\nc\td\re\tf\ng\th\r\n", 2, false},
      {"empty lines and an empty row first", "\n\n\r\n\r", 3, true},
      {"empty text", "", 4, true},
      {"markup in the last cell", std::string(2000, '&') + "\t<\v>\t\x01\xff\xfe ", 1, false},
      {"tab, ampersand, tab", ampersands_and_tabs, 1, false},
      {"many narrow columns of nothing", std::string(500, '\n'), 63, false},
  };

  for (const Case& c : cases) {
    TableModel table;
    table.text = c.text;
    table.columns = c.columns;
    table.leading_empty_row = c.leading_empty_row;
    std::string whole;  // the whole table at once
    TableXmlWriter at_once(table, 9000);
    while (at_once.Append(whole, std::string::npos)) {
    }
    TableXmlWriter writer(table, 9000);
    std::string rows;
    int pieces = 1;
    while (writer.Append(rows, 1)) ++pieces;
    EXPECT_EQ(rows, whole) << c.name;
    EXPECT_GE(pieces, 2) << c.name;  // a row at a time, then the end
    EXPECT_LE(whole.size(), writer.SizeBound()) << c.name;
  }
}

}  // namespace
}  // namespace reportword::docx
