#include "text/translate.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "package_builder.h"
#include "text/message_catalog.h"

namespace reportword {
namespace {

TEST(TranslateTest, FormatFillsNumberedPlaceholders) {
  using text::Format;
  EXPECT_EQ(Format("cannot save \"{0}\": {1}", "/o/1.docx", "denied"),
            "cannot save \"/o/1.docx\": denied");
  EXPECT_EQ(Format("{1} vor {0}, {1}", std::string("a"), std::string_view("b")), "b vor a, b");
  EXPECT_EQ(Format("line {0} of {1}", 12, std::size_t{40}), "line 12 of 40");
  EXPECT_EQ(Format("{{0}} {0}", "x"), "{0} x");
  // A translation that names a value the message does not have keeps the text.
  EXPECT_EQ(Format("{0} {2} {x} {", "a", "b"), "a {2} {x} {");
  EXPECT_EQ(Format("{0}", "{1}", "b"), "{1}") << "values are not read as patterns";
}

// The Windows build looks messages up in its built-in catalogs with this
// reader; here it reads the catalog the build compiled for the program.
TEST(TranslateTest, MessageCatalogReadsTheCompiledCatalogAndRefusesBrokenOnes) {
  const std::filesystem::path mo = std::filesystem::path(REPORTWORD_EXECUTABLE).parent_path() /
                                   "locale" / "de" / "LC_MESSAGES" / "reportword.mo";
  const std::string bytes = testing::ReadFile(mo);
  const text::MessageCatalog catalog(bytes);
  ASSERT_STREQ(catalog.Find("unknown failure"), "unbekannter Fehler");
  EXPECT_EQ(catalog.Find("not a message"), nullptr);
  EXPECT_EQ(catalog.Find(""), nullptr) << "the header is no message";

  std::string wrong_magic = bytes;
  wrong_magic[0] = 'x';
  std::string offset_outside = bytes;
  offset_outside[16] = '\xff';  // the translations' table
  std::string unterminated = bytes;
  unterminated.back() = 'x';
  for (const std::string& broken : {std::string(), bytes.substr(0, 27), bytes.substr(0, 100),
                                    wrong_magic, offset_outside, unterminated}) {
    EXPECT_TRUE(text::MessageCatalog(broken).empty()) << broken.size();
  }
}

}  // namespace
}  // namespace reportword
