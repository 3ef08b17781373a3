// The compound file as far as telling what a legacy template is needs: its
// streams, in the mini stream and in whole sectors, and nothing but "no such
// file" from bytes that only begin like one.
#include "package/compound_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "test_support.h"

namespace reportword::docx {
namespace {

const std::filesystem::path kLegacy =
    std::filesystem::path(REPORTWORD_SOURCE_DIR) / "tests" / "data" / "legacy";

TEST(CompoundFileTest, FindsTheStreamsOfLegacyWordFiles) {
  struct Case {
    const char* file;
    bool table_stream;         // Word 97 and later keep their tables in a stream of their own
    std::uint16_t identifier;  // A5DC for Word 6 and 95, A5EC from Word 97 on
    std::uint16_t word_version;
    bool encrypted;
  };
  const Case cases[] = {
      {"Word6.doc", false, 0xA5DC, 101, false},
      {"Word95.doc", false, 0xA5DC, 101, false},
      {"PasswordProtected.doc", true, 0xA5EC, 193, true},
  };
  for (const Case& c : cases) {
    const std::string bytes = test::ReadFile(kLegacy / c.file);
    const std::optional<CompoundFile> file = CompoundFile::Open(bytes);
    ASSERT_TRUE(file) << c.file;
    EXPECT_TRUE(file->HasStream(u"WordDocument")) << c.file;
    EXPECT_TRUE(file->HasStream(u"worddocument")) << c.file;
    EXPECT_EQ(file->HasStream(u"1Table"), c.table_stream) << c.file;
    EXPECT_FALSE(file->HasStream(u"EncryptedPackage")) << c.file;
    // The FIB: its identifier, the version of Word that wrote it, and the flags.
    const std::optional<std::string> fib = file->ReadStream(u"WordDocument", 12);
    ASSERT_TRUE(fib && fib->size() == 12) << c.file;
    EXPECT_EQ(static_cast<unsigned char>((*fib)[0]) | static_cast<unsigned char>((*fib)[1]) << 8,
              c.identifier)
        << c.file;
    EXPECT_EQ(static_cast<unsigned char>((*fib)[2]) | static_cast<unsigned char>((*fib)[3]) << 8,
              c.word_version)
        << c.file;
    EXPECT_EQ((static_cast<unsigned char>((*fib)[11]) & 1) != 0, c.encrypted) << c.file;
  }
}

TEST(CompoundFileTest, BytesThatOnlyBeginLikeOneAreNoCompoundFile) {
  const std::string whole = test::ReadFile(kLegacy / "PasswordProtected.doc");
  std::string looping = whole;
  // The first allocation-table sector points at itself: a chain that never ends.
  const std::size_t fat = (static_cast<unsigned char>(whole[76]) + 1) * 512;
  looping.replace(fat, 4, std::string("\x00\x00\x00\x00", 4));
  const std::pair<const char*, std::string> cases[] = {
      {"the signature alone", whole.substr(0, 8)},
      {"the header alone", whole.substr(0, 512)},
      {"cut after its directory", whole.substr(0, 1536)},
      {"sectors of 1 KiB", whole.substr(0, 30) + '\x0A' + whole.substr(31)},
      {"a chain that loops", looping},
  };
  for (const auto& [name, bytes] : cases) {
    const std::optional<CompoundFile> file = CompoundFile::Open(bytes);
    if (file) {
      EXPECT_FALSE(file->ReadStream(u"WordDocument", 1 << 20)) << name;
    }
  }
}

}  // namespace
}  // namespace reportword::docx
