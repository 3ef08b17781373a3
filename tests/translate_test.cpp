#include "text/translate.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <future>
#include <regex>
#include <set>
#include <system_error>

#include "package/zip_error_text.h"
#include "package/zip_handles.h"
#include "package_builder.h"
#include "text/message_catalog.h"
#include "text/system_error_text.h"

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

// The catalog the build compiled for the program in its folder.
std::string CompiledGermanCatalog() {
  return test::ReadFile(std::filesystem::path(REPORTWORD_EXECUTABLE).parent_path() / "locale" /
                        "de" / "LC_MESSAGES" / "reportword.mo");
}

// The Windows build looks messages up in its built-in catalogs with this reader.
TEST(TranslateTest, MessageCatalogReadsTheCompiledCatalogAndRefusesBrokenOnes) {
  const std::string bytes = CompiledGermanCatalog();
  const text::MessageCatalog catalog(bytes);
  ASSERT_STREQ(catalog.Find("unknown failure"), "unbekannter Fehler");
  EXPECT_EQ(catalog.Find("not a message"), nullptr);
  EXPECT_EQ(catalog.Find(""), nullptr) << "the header is no message";
  const std::string big_endian = test::ReadFile(REPORTWORD_BIG_ENDIAN_CATALOG);
  EXPECT_STREQ(text::MessageCatalog(big_endian).Find("unknown failure"), "unbekannter Fehler");

  const auto changed = [&](std::size_t at, char byte) {
    return bytes.substr(0, at) + byte + bytes.substr(at + 1);
  };
  // Cut short, a wrong magic number, major revision 2, the translations' table outside, the last
  // string unterminated.
  for (const std::string& broken :
       {std::string(), bytes.substr(0, 27), bytes.substr(0, 100), changed(0, 'x'),
        changed(6, '\x02'), changed(16, '\xff'), changed(bytes.size() - 1, 'x')}) {
    EXPECT_TRUE(text::MessageCatalog(broken).empty()) << broken.size();
  }
}

// The causes libzip and the system report are told in the program's own
// words, which the catalogs translate; a cause of another kind keeps its own.
TEST(TranslateTest, CausesAreToldInTheProgramsOwnWords) {
  EXPECT_EQ(text::SystemErrorText(ENOSPC), "the disk is full");
  EXPECT_EQ(text::SystemErrorText(std::make_error_code(std::errc::no_space_on_device)),
            "the disk is full");
  const std::error_code foreign = std::make_error_code(std::future_errc::broken_promise);
  EXPECT_EQ(text::SystemErrorText(foreign), foreign.message());

  struct ZipCase {
    int zip_code;
    int system_code;
    const char* cause;
  };
  const ZipCase zip_cases[] = {
      {.zip_code = ZIP_ER_WRITE, .system_code = ENOSPC, .cause = "write error (the disk is full)"},
      {.zip_code = ZIP_ER_READ, .system_code = 0, .cause = "read error"},
      {.zip_code = ZIP_ER_NOZIP, .system_code = 0, .cause = "not a zip archive"},
  };
  for (const ZipCase& c : zip_cases) {
    docx::ZipError error;
    zip_error_set(error.get(), c.zip_code, c.system_code);
    EXPECT_EQ(docx::ZipErrorText(error.get()), c.cause);
  }
}

TEST(TranslateTest, EveryTranslationKeepsThePlaceholdersOfItsMessage) {
  const auto placeholders = [](std::string_view text) {
    std::multiset<std::string> found;
    const std::regex placeholder(R"(\{[0-9]+\})");
    for (std::cregex_iterator it(text.data(), text.data() + text.size(), placeholder), end;
         it != end; ++it) {
      found.insert(it->str());
    }
    return found;
  };
  const std::string bytes = CompiledGermanCatalog();
  const text::MessageCatalog catalog(bytes);
  for (const auto& [english, translated] : catalog.entries()) {
    EXPECT_EQ(placeholders(english), placeholders(translated)) << english;
  }
}

}  // namespace
}  // namespace reportword
