// The permission bits of a saved file. (That the folder is flushed after the
// rename cannot be seen from here without a fault injector.)
#include "docgen/wordproc/docx/atomic_file.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "package_builder.h"
#include "test_support.h"

namespace reportword::docx {
namespace {

// A name near the file system's limit of 255 bytes leaves no room for a
// temporary suffix of its own.
TEST(AtomicFileTest, TargetsWithLongNamesAreSaved) {
  reportword::testing::TempDir dir;
  std::string accented;
  for (int i = 0; i < 124; ++i) accented += "\xC3\xA4";
  for (const std::string& name : {std::string(250, 'n') + ".docx", "x" + accented + ".docx"}) {
    const std::filesystem::path target = dir.path() / std::filesystem::u8path(name);
    const auto u8 = target.u8string();
    WriteFileAtomically(std::string(u8.begin(), u8.end()), "contents");
    EXPECT_EQ(reportword::testing::ReadFile(target), "contents") << name.size();
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    std::filesystem::remove(target);
  }
}

#ifndef _WIN32

mode_t ModeOf(const std::filesystem::path& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
  return st.st_mode & 07777;
}

// Sets the umask for one test and puts the old one back.
class AtomicFileModeTest : public ::testing::Test {
 protected:
  void SetUp() override { old_mask_ = ::umask(022); }
  void TearDown() override { ::umask(old_mask_); }

  reportword::testing::TempDir dir_;
  mode_t old_mask_ = 0;
};

TEST_F(AtomicFileModeTest, ReplacedFileKeepsItsPermissionBits) {
  for (const mode_t mode : {0640, 0600, 0444, 0664}) {
    const auto target = dir_ / ("existing-" + std::to_string(mode) + ".docx");
    reportword::testing::WriteFile(target, "old");
    ASSERT_EQ(::chmod(target.c_str(), mode), 0);
    WriteFileAtomically(target.string(), "new contents");
    EXPECT_EQ(reportword::testing::ReadFile(target), "new contents");
    EXPECT_EQ(ModeOf(target), mode) << std::oct << mode;
  }
}

TEST_F(AtomicFileModeTest, NewFileGetsTheUsualModeLessTheUmask) {
  WriteFileAtomically((dir_ / "new.docx").string(), "contents");
  EXPECT_EQ(ModeOf(dir_ / "new.docx"), 0644u);
  ::umask(077);
  WriteFileAtomically((dir_ / "private.docx").string(), "contents");
  EXPECT_EQ(ModeOf(dir_ / "private.docx"), 0600u);
}

#endif

}  // namespace
}  // namespace reportword::docx
