// Where a run saves, through the executable: one target spelt two ways, files
// that are not documents, links, write-protected files, owners, very long
// paths, and runs ended by a signal. Every file there before is checked byte
// for byte afterwards, and nothing may be left behind.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cstring>
#include <functional>
#include <map>
#include <thread>

#include "package_builder.h"
#include "test_support.h"

namespace reportword {
namespace {

namespace fs = std::filesystem;
using namespace testing;  // the tests' own helpers

constexpr const char* kReport = "Export\r\nb7\tHauptweg 4\tA1\tA2\tA3\r\n\r\nKopf\r\nC1\tC2\r\n";
constexpr const char* kTargetIsInput =
    "Ziel ist eine Eingabedatei. Dokument kann nicht generiert werden";

enum class Platform { kAny, kPosix, kWindows };

struct Case {
  const char* name;
  Platform platform;
  // Prepares the folder; false skips the case (it needs a privilege).
  std::function<bool(const fs::path&)> prepare;
  // Relative to the folder, where the run starts; "{dir}" is the folder.
  std::string target1, target2;
  int status;
  const char* message;
  const char* replaced = "";  // a file there before that the run replaces
};

// A path below `dir` whose absolute form is `length` bytes long, ending in a
// short name: a temporary name longer than the target's would not fit.
std::string DeepPath(const fs::path& dir, std::size_t length) {
  const std::string name = "out.docx";
  std::string relative;
  for (std::size_t rest = length - dir.string().size() - 1 - name.size(); rest > 0;) {
    const std::size_t segment = rest > 250 ? 200 : rest;  // its bytes with the slash
    relative += std::string(segment - 1, 'd') + "/";
    rest -= segment;
  }
  return relative + name;
}

// The files only a POSIX system has, made in `dir`; false where they cannot be.
#ifdef _WIN32
bool MakeFifo(const fs::path&) {
  return false;
}
bool MakeSocket(const fs::path&) {
  return false;
}
bool MakeNullDevice(const fs::path&) {
  return false;
}
#else
bool MakeFifo(const fs::path& dir) {
  return ::mkfifo((dir / "out.docx").c_str(), 0644) == 0;
}
bool MakeSocket(const fs::path& dir) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string path = (dir / "out.docx").string();
  if (path.size() >= sizeof address.sun_path) return false;
  path.copy(address.sun_path, path.size());
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return bound;
}
bool MakeNullDevice(const fs::path& dir) {  // needs root
  return ::mknod((dir / "null.docx").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
}
#endif

std::vector<Case> Cases() {
  // clang-format off
  return {
      {"a new target spelt with ./", Platform::kAny, nullptr, "out.docx", "./out.docx", 3, kTargetIsInput},
      {"a new target, relative and absolute", Platform::kPosix, nullptr, "out.docx", "{dir}/out.docx", 3, kTargetIsInput},
      {"a new target in two letter cases", Platform::kWindows, nullptr, "Out.docx", "out.docx", 3, kTargetIsInput},
      {"a fifo", Platform::kPosix, MakeFifo, "out.docx", "out2.docx", 1, "out.docx\": it is not a regular file"},
      {"a socket", Platform::kPosix, MakeSocket, "out.docx", "out2.docx", 1, "it is not a regular file"},
      {"a device node", Platform::kPosix, MakeNullDevice, "null.docx", "out2.docx", 1, "it is not a regular file"},
      {"a link to a document", Platform::kPosix, [](const fs::path& d) { fs::create_directory(d / "real"); WriteFile(d / "real" / "doc.docx", "old"); fs::create_symlink("real/doc.docx", d / "link.docx"); return true; }, "link.docx", "out2.docx", 0, "", "real/doc.docx"},
      {"a link to nothing", Platform::kPosix, [](const fs::path& d) { fs::create_symlink("gone/doc.docx", d / "link.docx"); return true; }, "link.docx", "out2.docx", 1, "it is a link to a file that does not exist"},
      {"a write-protected document", Platform::kAny, [](const fs::path& d) { WriteFile(d / "out.docx", "old"); fs::permissions(d / "out.docx", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read); return true; }, "out.docx", "out2.docx", 1, "out.docx\": the file is write-protected"},
      {"a path near PATH_MAX", Platform::kPosix, [](const fs::path& d) { fs::create_directories((d / DeepPath(d, 4090)).parent_path()); return true; }, "{deep}", "out2.docx", 0, ""},
  };
  // clang-format on
}

std::string Expand(std::string text, const fs::path& dir) {
  if (text == "{deep}") return dir.string() + "/" + DeepPath(dir, 4090);
  if (text.starts_with("{dir}")) text = dir.string() + text.substr(5);
  return text;
}

// Every entry below `dir`, links not followed, with a regular file's bytes.
std::map<fs::path, std::string> Snapshot(const fs::path& dir) {
  std::map<fs::path, std::string> entries;
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    entries[entry.path()] =
        entry.is_regular_file() && !entry.is_symlink()
            ? ReadFile(entry.path())
            : "(" + std::to_string(static_cast<int>(entry.symlink_status().type())) + ")";
  }
  return entries;
}

class SaveTargetTest : public ::testing::TestWithParam<std::size_t> {};

TEST_P(SaveTargetTest, SavesOnlyWhereItShould) {
  const Case c = Cases()[GetParam()];
#ifdef _WIN32
  if (c.platform == Platform::kPosix) GTEST_SKIP() << "a POSIX file system's case";
#else
  if (c.platform == Platform::kWindows) GTEST_SKIP() << "a Windows file system's case";
#endif
  TempDir dir;
  const fs::path examples = fs::path(REPORTWORD_SOURCE_DIR) / "examples";
  fs::copy_file(examples / "netzanalyse-1.dotx", dir / "a.dotx");
  fs::copy_file(examples / "netzanalyse-2.dotx", dir / "b.dotx");
  WriteFile(dir / "report.txt", kReport);
  if (c.prepare && !c.prepare(dir.path())) GTEST_SKIP() << "cannot make " << c.name << " here";
  const auto before = Snapshot(dir.path());

  const std::string target1 = Expand(c.target1, dir.path()),
                    target2 = Expand(c.target2, dir.path());
#ifdef _WIN32
  const CommandResult result = RunReportword({"9520e000", dir / "a.dotx", dir / "b.dotx",
                                              dir / "report.txt", dir / target1, dir / target2});
#else
  const CommandResult result =
      RunCommand("cd " + ShellQuote(dir.path().string()) + " && LC_ALL=C " +
                 ShellQuote(REPORTWORD_EXECUTABLE) + " 9520e000 a.dotx b.dotx report.txt " +
                 ShellQuote(target1) + " " + ShellQuote(target2));
#endif
  EXPECT_EQ(result.status, c.status) << result.output;
  EXPECT_NE(result.output.find(c.message), std::string::npos) << result.output;

  auto after = Snapshot(dir.path());
  for (const auto& [path, contents] : before) {
    ASSERT_TRUE(after.contains(path)) << path << " is gone";
    if (path == dir / c.replaced) {
      EXPECT_EQ(after[path].substr(0, 2), "PK") << path << " was not replaced";
    } else {
      EXPECT_EQ(after[path], contents) << path << " changed";
    }
    after.erase(path);
  }
  // Only the documents are new: no temporary file stays behind.
  std::size_t documents = 0;
  for (const auto& [path, contents] : after) {
    EXPECT_EQ(contents.substr(0, 2), "PK") << path << " left behind";
    ++documents;
  }
  EXPECT_EQ(documents, c.status != 0 ? 0u : c.replaced[0] ? 1u : 2u);
}

INSTANTIATE_TEST_SUITE_P(Targets, SaveTargetTest, ::testing::Range<std::size_t>(0, Cases().size()),
                         [](const ::testing::TestParamInfo<std::size_t>& info) {
                           std::string name = Cases()[info.param].name;
                           for (char& ch : name)
                             if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return name;
                         });

#ifndef _WIN32

struct stat StatOf(const fs::path& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
  return st;
}

// Run by root (a service, a CI job), the replaced document still belongs to
// its owner and group, with its own mode, so its owner can still open it.
TEST(SaveOwnerTest, AReplacedDocumentKeepsItsOwnerGroupAndMode) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root can give a file to another owner";
  TempDir dir;
  const fs::path examples = fs::path(REPORTWORD_SOURCE_DIR) / "examples";
  WriteFile(dir / "report.txt", kReport);
  WriteFile(dir / "out1.docx", "old");
  ASSERT_EQ(::chown((dir / "out1.docx").c_str(), 4321, 4322), 0);
  ASSERT_EQ(::chmod((dir / "out1.docx").c_str(), 0640), 0);
  const CommandResult result =
      RunReportword({"9520e000", examples / "netzanalyse-1.dotx", examples / "netzanalyse-2.dotx",
                     dir / "report.txt", dir / "out1.docx", dir / "out2.docx"});
  ASSERT_EQ(result.status, 0) << result.output;
  const struct stat st = StatOf(dir / "out1.docx");
  EXPECT_EQ(st.st_uid, 4321u);
  EXPECT_EQ(st.st_gid, 4322u);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(ReadFile(dir / "out1.docx").substr(0, 2), "PK");
}

// Ended by a signal while converting to .pdf: the converter and everything it
// started end too, no working folder or profile stays, the old target is
// untouched, and the run ends by that same signal, as a shell expects.
class SaveSignalTest : public ::testing::TestWithParam<int> {};

TEST_P(SaveSignalTest, ASignalDuringAConversionLeavesNothing) {
  const int signal_number = GetParam();
  TempDir dir;
  const fs::path bin = dir / "bin", tmp = dir / "tmp", out = dir / "out";
  for (const fs::path& folder : {bin, tmp, out}) fs::create_directory(folder);
  // An unusual duration marks the stand-in's processes among all others.
  WriteFile(bin / "soffice", "#!/bin/sh\nsleep 62.75 &\n: > \"$STARTED\"\nsleep 62.75\n");
  fs::permissions(bin / "soffice", fs::perms::owner_all);
  WriteFile(dir / "report.txt", kReport);
  WriteFile(out / "out1.pdf", "old pdf");

  const fs::path examples = fs::path(REPORTWORD_SOURCE_DIR) / "examples";
  std::vector<std::string> args = {REPORTWORD_EXECUTABLE,
                                   "9520e000",
                                   (examples / "netzanalyse-1.dotx").string(),
                                   (examples / "netzanalyse-2.dotx").string(),
                                   (dir / "report.txt").string(),
                                   (out / "out1.pdf").string(),
                                   (out / "out2.docx").string()};
  std::vector<std::string> env = {"PATH=" + bin.string() + ":/usr/bin:/bin",
                                  "TMPDIR=" + tmp.string(), "LC_ALL=C",
                                  "STARTED=" + (dir / "started").string()};
  std::vector<char*> argv, envp;
  for (std::string& arg : args) argv.push_back(arg.data());
  for (std::string& entry : env) envp.push_back(entry.data());
  argv.push_back(nullptr);
  envp.push_back(nullptr);
  // The run gets the signals at their defaults, whatever this test inherited.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults, none;
  sigfillset(&defaults);
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  pid_t pid = 0;
  ASSERT_EQ(::posix_spawn(&pid, argv[0], nullptr, &attributes, argv.data(), envp.data()), 0);
  posix_spawnattr_destroy(&attributes);
  for (int i = 0; i < 600 && !fs::exists(dir / "started"); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_TRUE(fs::exists(dir / "started")) << "the stand-in converter did not start";
  ::kill(pid, signal_number);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);

  ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
  EXPECT_EQ(WTERMSIG(status), signal_number);
  EXPECT_TRUE(fs::is_empty(tmp)) << fs::directory_iterator(tmp)->path();
  EXPECT_EQ(std::distance(fs::directory_iterator(out), {}), 1);
  EXPECT_EQ(ReadFile(out / "out1.pdf"), "old pdf");
  bool gone = false;
  for (int i = 0; i < 100 && !gone; ++i) {
    gone = !ProcessRunning("sleep 62.75");
    if (!gone) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_TRUE(gone) << "a process of the converter outlived the run";
}

INSTANTIATE_TEST_SUITE_P(EndingSignals, SaveSignalTest, ::testing::Values(SIGINT, SIGTERM, SIGHUP),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return std::string(sigabbrev_np(info.param));
                         });

#endif

}  // namespace
}  // namespace reportword
