// A run ended by a signal while converting to .pdf, through the executable:
// nothing of the run may be left behind, neither files nor processes.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include "test_support.h"

namespace reportword {
namespace {

namespace fs = std::filesystem;
using namespace test;  // the tests' own helpers

constexpr const char* kReport = "Export\r\nb7\tHauptweg 4\tA1\tA2\tA3\r\n\r\nKopf\r\nC1\tC2\r\n";

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

  const std::string examples = REPORTWORD_SOURCE_DIR "/examples/netzanalyse-";
  std::string args[] = {"/usr/bin/env",
                        "-i",
                        "PATH=" + bin.string() + ":/usr/bin:/bin",
                        "TMPDIR=" + tmp.string(),
                        "LC_ALL=C",
                        "STARTED=" + (dir / "started").string(),
                        REPORTWORD_EXECUTABLE,
                        "9520e000",
                        examples + "1.dotx",
                        examples + "2.dotx",
                        (dir / "report.txt").string(),
                        (out / "out1.pdf").string(),
                        (out / "out2.docx").string()};
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
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
  ASSERT_EQ(::posix_spawn(&pid, argv[0], nullptr, &attributes, argv.data(), &argv.back()), 0);
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
  EXPECT_TRUE(ProcessesGone("sleep 62.75")) << "a process of the converter outlived the run";
}

INSTANTIATE_TEST_SUITE_P(EndingSignals, SaveSignalTest, ::testing::Values(SIGINT, SIGTERM, SIGHUP),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return std::string(sigabbrev_np(info.param));
                         });

}  // namespace
}  // namespace reportword

#endif
