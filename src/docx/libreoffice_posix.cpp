#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "docx/engine_failure.h"
#include "docx/libreoffice.h"
#include "docx/signal_cleanup_posix.h"
#include "text/system_error_text.h"
#include "text/translate.h"

extern char** environ;

namespace reportword::docx {

namespace fs = std::filesystem;

namespace {

std::string FileUrl(const fs::path& path) {
  static const char* const kHex = "0123456789ABCDEF";
  std::string url = "file://";
  for (unsigned char c : fs::absolute(path).string()) {
    if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
      url.push_back(static_cast<char>(c));
    } else {
      url += '%';
      url += kHex[c >> 4];
      url += kHex[c & 15];
    }
  }
  return url;
}

std::string LastLines(const fs::path& log, std::size_t max_chars) {
  std::ifstream in(log, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), {});
  // Only what LibreOffice says about the conversion; its Java warning is noise.
  std::string kept;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || line.find("javaldx") != std::string::npos) continue;
    kept += (kept.empty() ? "" : " | ") + line;
  }
  if (kept.size() > max_chars) kept = "..." + kept.substr(kept.size() - max_chars);
  return kept.empty() ? "no output" : kept;
}

// Ends the whole process group: soffice starts a second process that would
// otherwise outlive it.
void EndProcessGroup(pid_t pid) {
  ::kill(-pid, SIGTERM);
  for (int i = 0; i < 40; ++i) {
    if (::waitpid(pid, nullptr, WNOHANG) == pid) {
      ::kill(-pid, SIGKILL);
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ::kill(-pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
}

}  // namespace

std::string FindSoffice(const ConversionOptions& options) {
  const std::string& name = options.soffice;
  if (name.find('/') != std::string::npos) return ::access(name.c_str(), X_OK) == 0 ? name : "";
  const char* path = std::getenv("PATH");
  std::istringstream folders(path ? path : "");
  for (std::string folder; std::getline(folders, folder, ':');) {
    const fs::path candidate = fs::path(folder.empty() ? "." : folder) / name;
    std::error_code ec;
    if (fs::is_regular_file(candidate, ec) && ::access(candidate.c_str(), X_OK) == 0) {
      return candidate.string();
    }
  }
  return "";
}

fs::path ConvertWithLibreOffice(const fs::path& input, const std::string& format,
                                const fs::path& out_dir, const ConversionOptions& options,
                                const std::string& input_filter, const std::string& display_name) {
  const std::string what = text::Format(
      text::Translate("converting \"{0}\" to {1} with LibreOffice"), display_name, format);
  const std::string soffice = FindSoffice(options);
  if (soffice.empty()) {
    throw wordproc::Error(text::Format(
        text::Translate(
            "{0} failed: LibreOffice ({1}) is not installed; install it to use this format"),
        what, options.soffice));
  }
  ScratchDir profile;
  const fs::path log = profile.path() / "soffice.log";
  std::vector<std::string> args = {soffice, "--headless", "--norestore", "--nolockcheck",
                                   "-env:UserInstallation=" + FileUrl(profile.path() / "user")};
  if (!input_filter.empty()) args.push_back("--infilter=" + input_filter);
  for (std::string arg : {std::string("--convert-to"), format, std::string("--outdir"),
                          out_dir.string(), input.string()}) {
    args.push_back(std::move(arg));
  }
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  // The converter starts with no signal held back and every one at its
  // default action, whatever this process holds while it waits.
  sigset_t no_signals, ending_signals;
  sigemptyset(&no_signals);
  sigemptyset(&ending_signals);
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&ending_signals, signal_number);
  posix_spawnattr_setflags(&attributes,
                           POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setsigmask(&attributes, &no_signals);
  posix_spawnattr_setsigdefault(&attributes, &ending_signals);
  pid_t pid = 0;
  const int spawned =
      ::posix_spawn(&pid, soffice.c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (spawned != 0)
    throw wordproc::Error(text::Format(text::Translate("{0} failed: cannot start {1} ({2})"), what,
                                       soffice, text::SystemErrorText(spawned)));

  const auto deadline = std::chrono::steady_clock::now() + options.time_limit;
  int status = 0;
  for (;;) {
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (done < 0 && errno != EINTR)
      throw wordproc::Error(
          text::Format(text::Translate("{0} failed: lost the LibreOffice process"), what));
    if (std::chrono::steady_clock::now() >= deadline) {
      EndProcessGroup(pid);
      throw wordproc::Error(
          text::Format(text::Translate("{0} did not finish within {1} s; it was stopped"), what,
                       std::to_string(options.time_limit.count() / 1000.0).substr(0, 5)));
    }
    // Interrupted, the run ends the converter first, then removes its
    // folders and ends by the same signal.
    if (const std::optional<int> signal_number =
            WaitForEndingSignal(std::chrono::milliseconds(20))) {
      EndProcessGroup(pid);
      EndBySignal(*signal_number);
    }
  }
  const fs::path result = out_dir / (input.stem().string() + "." + format);
  const int exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  std::error_code ec;
  if (exit_status != 0 || !fs::is_regular_file(result, ec) || fs::file_size(result, ec) == 0) {
    throw wordproc::Error(text::Format(text::Translate("{0} failed (exit status {1}): {2}"), what,
                                       exit_status, LastLines(log, 400)));
  }
  return result;
}

}  // namespace reportword::docx
