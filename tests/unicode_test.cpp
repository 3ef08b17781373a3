#include "text/unicode.h"

#include <gtest/gtest.h>

#include <tuple>

#include "text/utf8_path.h"

namespace reportword::text {
namespace {

TEST(UnicodeTest, EqualsIgnoreCaseIsUnicodeAware) {
  struct Case {
    const char* a;
    const char* b;
    bool equal;
  } cases[] = {
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

TEST(UnicodeTest, UpperCaseFirstCharacter) {
  // An invalid byte is no letter.
  for (const auto& [text, upper] : {std::pair{"ä12", "Ä12"},
                                    {"b7-x", "B7-x"},
                                    {" b7", " b7"},
                                    {"", ""},
                                    {"\xff"
                                     "a",
                                     "\xff"
                                     "a"}}) {
    EXPECT_EQ(UpperCaseFirstCharacter(text), upper);
  }
}

TEST(UnicodeTest, Utf16RoundTrip) {
  const std::string samples[] = {"", "Straße", "Prüf ördner", "\xF0\x9F\x98\x80 emoji", "C:\\a\\b"};
  for (const std::string& s : samples) EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(s)), s);
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, u'\xD800') + u"x"), "\xEF\xBF\xBDx");  // lone surrogate
  EXPECT_EQ(Utf16ToUtf8(u"\xD800\xE000"), "\xEF\xBF\xBD\xEE\x80\x80");  // no low surrogate after it
  EXPECT_EQ(Utf8ToUtf16("\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"), u"\xD800\xDC00\xDBFF\xDFFF");
}

// A file name goes to the file system and comes back as it was. Outside
// Windows a name is bytes: one that is not UTF-8 (Latin-1, cut short, a
// surrogate) must reach the file system unchanged, or its file is not found.
TEST(Utf8PathTest, NamesReachTheFileSystemUnchanged) {
  const std::string names[] = {"", "report.txt", "Bericht Straße.txt", "a/b c/\xF0\x9F\x98\x80"};
  for (const std::string& name : names) EXPECT_EQ(PathToUtf8(PathFromUtf8(name)), name);
#ifdef _WIN32
  EXPECT_EQ(PathFromUtf8("Straße").native(), L"Stra\u00DFe");
#else
  const std::string bytes[] = {"Bericht \xE4.txt", "a\xC3", "\xED\xA0\x80", "\xFF\xFE"};
  for (const std::string& name : bytes) {
    EXPECT_EQ(PathFromUtf8(name).native(), name);
    EXPECT_EQ(PathToUtf8(PathFromUtf8(name)), name);
  }
#endif
}

}  // namespace
}  // namespace reportword::text
