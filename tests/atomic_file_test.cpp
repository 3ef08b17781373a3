// The permission bits and owner of a saved file, and the cleanup when a
// signal ends the run. (That the folder is flushed after the
// rename cannot be seen from here without a fault injector.)
#include "system/atomic_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <tuple>

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include "system/libreoffice.h"
#include "system/signal_cleanup_posix.h"
#endif

#include "text/failure.h"
#include "text/utf8_path.h"

#include "package_builder.h"
#include "test_support.h"

namespace reportword::docx {
namespace {

// A name near the file system's limit of 255 bytes leaves no room for a
// temporary suffix of its own.
TEST(AtomicFileTest, TargetsWithLongNamesAreSaved) {
  reportword::test::TempDir dir;
  std::string accented;
  for (int i = 0; i < 124; ++i) accented += "\xC3\xA4";
  for (const std::string& name : {std::string(250, 'n') + ".docx", "x" + accented + ".docx"}) {
    const std::filesystem::path target = dir.path() / text::PathFromUtf8(name);
    WriteFileAtomically(text::PathToUtf8(target), "contents", nullptr);
    EXPECT_EQ(reportword::test::ReadFile(target), "contents") << name.size();
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    std::filesystem::remove(target);
  }
}

#ifndef _WIN32

// A target reached through 40 links is written; one more is a loop.
TEST(AtomicFileTest, FortyLinksAreFollowedAFortyFirstIsALoop) {
  reportword::test::TempDir dir;
  reportword::test::WriteFile(dir / "doc.docx", "old");
  for (int i = 1; i <= 41; ++i)
    std::filesystem::create_symlink(i == 1 ? "doc.docx" : "l" + std::to_string(i - 1),
                                    dir / ("l" + std::to_string(i)));
  WriteFileAtomically((dir / "l40").string(), "new", nullptr);
  EXPECT_EQ(reportword::test::ReadFile(dir / "doc.docx"), "new");
  EXPECT_THAT([&] { WriteFileAtomically((dir / "l41").string(), "newer", nullptr); },
              ::testing::ThrowsMessage<Failure>(::testing::HasSubstr("a loop of links")));
}

wordproc::FileIdentity IdentityOf(const std::filesystem::path& file) {
  struct stat st {};
  EXPECT_EQ(::stat(file.c_str(), &st), 0) << file;
  return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

// However the target's name came to lead to one of the run's own files by
// the moment of the save (the checks at the start saw it otherwise), the save
// refuses it as the input check would, and leaves it and the folder as they
// were.
TEST(AtomicFileTest, ANameThatLeadsToOneOfTheRunsFilesIsRefusedAtTheSave) {
  const std::function<void(const std::filesystem::path&)> ways[] = {
      [](const std::filesystem::path& dir) {
        std::filesystem::create_symlink("report.txt", dir / "out.docx");
      },
      [](const std::filesystem::path& dir) {
        std::filesystem::create_hard_link(dir / "report.txt", dir / "out.docx");
      },
      [](const std::filesystem::path& dir) {
        std::filesystem::create_directory(dir / "sub");
        std::filesystem::create_symlink("../report.txt", dir / "sub" / "link");
        std::filesystem::create_symlink("sub/link", dir / "out.docx");
      },
  };
  for (std::size_t way = 0; way < std::size(ways); ++way) {
    reportword::test::TempDir dir;
    reportword::test::WriteFile(dir / "report.txt", "the report");
    wordproc::RunFiles run_files;
    run_files.Add(IdentityOf(dir / "report.txt"));
    ways[way](dir.path());
    const auto entries =
        std::distance(std::filesystem::recursive_directory_iterator(dir.path()), {});
    try {
      WriteFileAtomically((dir / "out.docx").string(), "document", &run_files);
      ADD_FAILURE() << "way " << way << ": saved";
    } catch (const InputCheckFailure& error) {
      EXPECT_EQ(error.check(), FailedInputCheck::kTargetIsInput) << way;
    }
    EXPECT_EQ(reportword::test::ReadFile(dir / "report.txt"), "the report") << way;
    EXPECT_EQ(std::distance(std::filesystem::recursive_directory_iterator(dir.path()), {}),
              entries);
  }
}

// A saved document joins the run's files: the next save does not replace it,
// through whatever name.
TEST(AtomicFileTest, ASavedDocumentIsNotReplacedByTheNextSaveOfTheRun) {
  reportword::test::TempDir dir;
  wordproc::RunFiles run_files;
  WriteFileAtomically((dir / "one.docx").string(), "document 1", &run_files);
  std::filesystem::create_hard_link(dir / "one.docx", dir / "two.docx");
  EXPECT_THROW(WriteFileAtomically((dir / "two.docx").string(), "document 2", &run_files),
               InputCheckFailure);
  EXPECT_EQ(reportword::test::ReadFile(dir / "one.docx"), "document 1");
}

// Run by root, a link that another user planted in a folder of someone else
// is not followed: it could point at any file root may write. A link of the
// folder's owner is, as the kernel's protected_symlinks rule has it.
TEST(AtomicFileTest, ALinkOfAnotherUserIsFollowedOnlyInThatUsersFolder) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root can make a link owned by another user";
  reportword::test::TempDir dir;
  reportword::test::WriteFile(dir / "precious", "precious");
  std::filesystem::create_directory(dir / "theirs");
  ASSERT_EQ(::chown((dir / "theirs").c_str(), 4321, 4321), 0);
  for (const auto& folder : {dir.path(), dir / "theirs"}) {
    const auto link = folder / "out.docx";
    std::filesystem::create_symlink(dir / "precious", link);
    ASSERT_EQ(::lchown(link.c_str(), 4321, 4321), 0);
  }
  EXPECT_THAT([&] { WriteFileAtomically((dir / "out.docx").string(), "document", nullptr); },
              ::testing::ThrowsMessage<Failure>(::testing::HasSubstr(
                  "the link \"" + (dir / "out.docx").string() + "\" belongs to another user")));
  EXPECT_EQ(reportword::test::ReadFile(dir / "precious"), "precious");
  WriteFileAtomically((dir / "theirs" / "out.docx").string(), "document", nullptr);
  EXPECT_EQ(reportword::test::ReadFile(dir / "precious"), "document");
}

// Sets the umask for one test and puts the old one back.
class AtomicFileModeTest : public ::testing::Test {
 protected:
  void SetUp() override { old_mask_ = ::umask(022); }
  void TearDown() override { ::umask(old_mask_); }

  reportword::test::TempDir dir_;
  mode_t old_mask_ = 0;
};

// A replaced file keeps its permission bits; a new one gets 0666 less the umask.
TEST_F(AtomicFileModeTest, ReplacedFilesKeepTheirModeNewOnesFollowTheUmask) {
  // Name, mode before (0: no file), umask, mode after.
  const std::tuple<const char*, mode_t, mode_t, mode_t> cases[] = {
      {"a.docx", 0640, 022, 0640}, {"b.docx", 0600, 022, 0600}, {"c.docx", 0664, 077, 0664},
      {"d.docx", 0660, 022, 0660}, {"new.docx", 0, 022, 0644},  {"private.docx", 0, 077, 0600}};
  for (const auto& [name, before, mask, after] : cases) {
    ::umask(mask);
    if (before != 0) reportword::test::WriteFile(dir_ / name, "old");
    ASSERT_TRUE(before == 0 || ::chmod((dir_ / name).c_str(), before) == 0);
    WriteFileAtomically((dir_ / name).string(), "new contents", nullptr);
    EXPECT_EQ(reportword::test::ReadFile(dir_ / name), "new contents");
    struct stat st {};
    ASSERT_EQ(::stat((dir_ / name).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, after) << name;
  }
}

// Run by root (a service, a CI job), the replaced document still belongs to
// its owner and group, so its owner can still open it.
TEST_F(AtomicFileModeTest, ReplacedFileKeepsItsOwnerAndGroup) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root can give a file to another owner";
  const auto target = dir_ / "owned.docx";
  reportword::test::WriteFile(target, "old");
  ASSERT_EQ(::chown(target.c_str(), 4321, 4322), 0);
  WriteFileAtomically(target.string(), "new contents", nullptr);
  struct stat st {};
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(std::pair(st.st_uid, st.st_gid), std::pair(uid_t{4321}, gid_t{4322}));
}

// A signal while a temporary file and a working folder exist removes both and
// ends the process by that signal; the folder's hold keeps the signal back
// until the folder is gone.
class SignalCleanupTest : public ::testing::TestWithParam<int> {};

TEST_P(SignalCleanupTest, AnEndingSignalRemovesTheRunsFilesAndFolders) {
  reportword::test::TempDir dir;
  const int signal_number = GetParam();
  // A suite started as a background job inherits SIGINT ignored, and the
  // cleanup rightly leaves an ignored signal alone.
  struct sigaction inherited {};
  ::sigaction(signal_number, nullptr, &inherited);
  if (inherited.sa_handler == SIG_IGN) GTEST_SKIP() << "the suite was started with it ignored";
  EXPECT_EXIT(
      {
        const int folder = ::open(dir.path().c_str(), O_RDONLY | O_DIRECTORY);
        TemporaryFileRegistration registration(folder, "part.tmp");
        ::close(::openat(folder, "part.tmp", O_WRONLY | O_CREAT | O_EXCL, 0600));
        {
          ScratchDir work(dir.path());
          reportword::test::WriteFile(work.path() / "profile", "deep tree");
          ::raise(signal_number);
        }
        std::exit(0);
      },
      ::testing::KilledBySignal(signal_number), "");
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

INSTANTIATE_TEST_SUITE_P(EndingSignals, SignalCleanupTest,
                         ::testing::Values(SIGINT, SIGTERM, SIGHUP));

#endif

}  // namespace
}  // namespace reportword::docx
