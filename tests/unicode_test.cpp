#include "text/unicode.h"

#include <gtest/gtest.h>

namespace reportword::text {
namespace {

TEST(UnicodeTest, EqualsIgnoreCaseIsUnicodeAware) {
  // clang-format off
  struct Case { const char* a; const char* b; bool equal; } cases[] = {
      // clang-format on
      {"Äußere", "äUßERE", true},
      {"9520E000", "9520e000", true},
      {"STRAßENSANIERUNG", "straßensanierung", true},
      {"ß", "ss", false},  // no locale equivalence in general comparisons
      {"ẞ", "ß", true},    // capital sharp s folds to ß
      {"Ölweg", "ÖLWEG", true},
      {"a", "b", false},
      {"", "", true},
      {"\xff", "\xfe", false},  // invalid bytes compare as themselves
  };
  for (const Case& c : cases) EXPECT_EQ(EqualsIgnoreCase(c.a, c.b), c.equal) << c.a << " / " << c.b;
}

TEST(UnicodeTest, FindIgnoreCaseReturnsByteOffset) {
  EXPECT_EQ(FindIgnoreCase(" Straße Nord", "STRAßE"), 1u);
  EXPECT_EQ(FindIgnoreCase("Äpfel <Datum>", "<datum>"), 7u);
  EXPECT_EQ(FindIgnoreCase("abc", "x"), std::string_view::npos);
  EXPECT_EQ(FindIgnoreCase("abc", ""), 0u);
  EXPECT_EQ(FindIgnoreCase("", ""), 0u);
  EXPECT_EQ(FindIgnoreCase("", "a"), std::string_view::npos);
}

TEST(UnicodeTest, UpperCaseFirstCharacter) {
  EXPECT_EQ(UpperCaseFirstCharacter("ä12"), "Ä12");
  EXPECT_EQ(UpperCaseFirstCharacter("b7-x"), "B7-x");
  EXPECT_EQ(UpperCaseFirstCharacter(" b7"), " b7");
  EXPECT_EQ(UpperCaseFirstCharacter(""), "");
  const std::string invalid_first = std::string("\xff") + "a";  // an invalid byte is no letter
  EXPECT_EQ(UpperCaseFirstCharacter(invalid_first), invalid_first);
}

TEST(UnicodeTest, Utf16RoundTrip) {
  const std::string samples[] = {"", "Straße", "Prüf ördner", "\xF0\x9F\x98\x80 emoji", "C:\\a\\b"};
  for (const std::string& s : samples) EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(s)), s);
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, u'\xD800') + u"x"), "\xEF\xBF\xBDx");  // lone surrogate
  EXPECT_EQ(Utf8ToUtf16("\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"), u"\xD800\xDC00\xDBFF\xDFFF");
}

}  // namespace
}  // namespace reportword::text
