#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <string_view>
#include <thread>
#include <vector>

#include "system/libreoffice.h"
#include "system/signal_cleanup_posix.h"
#include "text/failure.h"
#include "text/system_error_text.h"
#include "text/translate.h"
#include "text/unicode.h"

extern char** environ;

namespace reportword::docx {

namespace fs = std::filesystem;

namespace {

// A file URL with every byte but the unreserved ones percent-encoded: a path
// handed to LibreOffice as it stands has its %XX escapes decoded.
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

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// Up to `limit` bytes of the file from `offset` on; fewer where it ends.
std::string ReadFrom(int fd, off_t offset, std::size_t limit) {
  std::string bytes(limit, '\0');
  std::size_t filled = 0;
  while (filled < limit) {
    const ssize_t n =
        ::pread(fd, bytes.data() + filled, limit - filled, offset + static_cast<off_t>(filled));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    filled += static_cast<std::size_t>(n);
  }
  bytes.resize(filled);
  return bytes;
}

// What LibreOffice said last, read from the end of its log only: a converter
// that writes without end cannot take the run's memory.
std::string LastLines(const fs::path& log, std::size_t max_chars) {
  constexpr std::size_t kTail = 64 * 1024;
  const Descriptor fd(::open(log.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
  struct stat status {};
  if (fd.get() < 0 || ::fstat(fd.get(), &status) != 0) return "no output";
  const auto size = static_cast<std::size_t>(status.st_size);
  const std::string text = ReadFrom(fd.get(), static_cast<off_t>(size > kTail ? size - kTail : 0),
                                    std::min(size, kTail));
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

// The folders LibreOffice would otherwise write to in the user's home (its
// configuration, dconf's cache) and leave behind in TMPDIR (its lu*.tmp
// folder when it is ended early), set to folders inside `private_folder`.
constexpr const char* kRedirectedVariables[] = {
    "HOME",          "TMPDIR",          "TMP",
    "TEMP",          "XDG_CONFIG_HOME", "XDG_CACHE_HOME",
    "XDG_DATA_HOME", "XDG_STATE_HOME",  "XDG_RUNTIME_DIR"};

std::vector<std::string> ConverterEnvironment(const fs::path& private_folder) {
  std::vector<std::string> environment;
  for (char** entry = environ; *entry; ++entry) {
    const std::string_view variable(*entry);
    const std::string_view name = variable.substr(0, variable.find('='));
    bool redirected = false;
    for (const char* own : kRedirectedVariables) redirected = redirected || name == own;
    if (!redirected) environment.emplace_back(variable);
  }
  for (const char* variable : kRedirectedVariables) {
    const fs::path folder = private_folder / variable;
    std::error_code ec;
    fs::create_directory(folder, ec);
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace, ec);
    environment.push_back(std::string(variable) + "=" + folder.string());
  }
  return environment;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (std::string& text : strings) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

// Starts `argv` in a process group of its own, with no signal held back and
// every one at its default action whatever this process holds while it
// waits, stdin from /dev/null and its output into `log`. Returns the errno of
// a failed start.
int Spawn(std::vector<std::string> argv, std::vector<std::string> environment, const fs::path& log,
          pid_t& pid) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t no_signals, ending_signals;
  sigemptyset(&no_signals);
  sigemptyset(&ending_signals);
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&ending_signals, signal_number);
  posix_spawnattr_setflags(&attributes,
                           POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setsigmask(&attributes, &no_signals);
  posix_spawnattr_setsigdefault(&attributes, &ending_signals);
  const std::vector<char*> arguments = Pointers(argv);
  const std::vector<char*> variables = Pointers(environment);
  const int spawned =
      ::posix_spawn(&pid, arguments[0], &actions, &attributes, arguments.data(), variables.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  return spawned;
}

// Waits for the converter to end and returns its exit status (128 + n for a
// signal). At the time limit its process group is ended; an ending signal to
// this run ends it too, then removes the working folders and ends the run by
// that signal. What the converter left running in its group goes either way.
int WaitForConverter(pid_t pid, const ConversionOptions& options, const std::string& what) {
  const auto deadline = std::chrono::steady_clock::now() + options.time_limit;
  for (;;) {
    // Seen ended but not yet reaped: until it is, its number, and with it its
    // process group's, cannot be given to another process.
    siginfo_t ended{};
    const int done = ::waitid(P_PID, static_cast<id_t>(pid), &ended, WEXITED | WNOHANG | WNOWAIT);
    if (done == 0 && ended.si_pid == pid) break;
    if (done < 0 && errno != EINTR)
      throw Failure(
          text::Format(text::Translate("{0} failed: lost the LibreOffice process"), what));
    if (std::chrono::steady_clock::now() >= deadline) {
      EndProcessGroup(pid);
      throw Failure(text::Format(text::Translate("{0} did not finish within {1} s; it was stopped"),
                                 what,
                                 std::to_string(options.time_limit.count() / 1000.0).substr(0, 5)));
    }
    if (const std::optional<int> signal_number =
            WaitForEndingSignal(std::chrono::milliseconds(20))) {
      EndProcessGroup(pid);
      EndBySignal(*signal_number);
    }
  }
  ::kill(-pid, SIGKILL);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// The converter's result, read from the file itself: a link there is not
// followed, and what is no regular file is no result.
std::optional<std::string> ReadResult(const fs::path& result) {
  const Descriptor fd(::open(result.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  struct stat status {};
  if (fd.get() < 0 || ::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode) ||
      status.st_size == 0) {
    return std::nullopt;
  }
  const auto size = static_cast<std::size_t>(status.st_size);
  std::string bytes = ReadFrom(fd.get(), 0, size);
  if (bytes.size() != size) return std::nullopt;
  return bytes;
}

}  // namespace

fs::path TemporaryFolder() {
  // LibreOffice writes its result elsewhere, URL or not, below a folder whose
  // name is not UTF-8 or holds a ';'; the system's folder serves instead, as
  // it does for an empty TMPDIR or one that names no folder.
  const char* named = std::getenv("TMPDIR");
  if (named && *named) {
    std::error_code ec;
    const fs::path folder = fs::absolute(named, ec);
    const std::string spelling = folder.string();
    if (!ec && fs::is_directory(folder, ec) && text::IsValidUtf8(spelling) &&
        spelling.find(';') == std::string::npos) {
      return folder;
    }
  }
  return P_tmpdir;
}

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

Converter::Converter(ConversionOptions options) : options_(std::move(options)) {}

Converter::~Converter() = default;

std::vector<ConversionResult> Converter::Convert(const std::vector<ConversionInput>& inputs,
                                                 const std::string& format,
                                                 const std::string& filter) {
  std::string names;
  for (const ConversionInput& input : inputs)
    names += (names.empty() ? "\"" : ", \"") + input.display_name + "\"";
  const std::string what =
      text::Format(text::Translate("converting {0} to {1} with LibreOffice"), names, format);
  const std::string soffice = FindSoffice(options_);
  if (soffice.empty()) {
    throw Failure(text::Format(
        text::Translate(
            "{0} failed: LibreOffice ({1}) is not installed; install it to use this format"),
        what, options_.soffice));
  }
  // The profile, its environment and the log, once for the run; each call its
  // own folder of inputs and results, under plain names, so that the
  // results' names are known.
  if (!own_) own_ = std::make_unique<ScratchDir>();
  const ScratchDir work(own_->path());
  std::error_code ec;
  fs::create_directory(work.path() / "out", ec);
  std::vector<std::string> argv = {soffice, "--headless", "--norestore", "--nolockcheck",
                                   "-env:UserInstallation=" + FileUrl(own_->path() / "profile")};
  if (!filter.empty()) argv.push_back("--infilter=" + filter);
  // The results go to a folder of their own: an input of the same name as a
  // result would be overwritten otherwise.
  argv.insert(argv.end(), {"--convert-to", format, "--outdir", FileUrl(work.path() / "out")});
  std::vector<fs::path> results;
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    const std::string stem = "input" + std::to_string(i + 1);
    const fs::path copy = work.path() / (stem + inputs[i].extension);
    {
      std::ofstream out(copy, std::ios::binary);
      out.write(inputs[i].bytes.data(), static_cast<std::streamsize>(inputs[i].bytes.size()));
      if (!out.flush())
        throw Failure(text::Format(text::Translate("{0} failed: writing failed"), what));
    }
    argv.push_back(FileUrl(copy));
    results.push_back(work.path() / "out" / (stem + "." + format));
  }
  const fs::path log = work.path() / "soffice.log";
  pid_t pid = 0;
  ++starts_;
  if (const int error = Spawn(std::move(argv), ConverterEnvironment(own_->path()), log, pid)) {
    throw Failure(text::Format(text::Translate("{0} failed: cannot start {1} ({2})"), what, soffice,
                               text::SystemErrorText(error)));
  }
  const int exit_status = WaitForConverter(pid, options_, what);
  std::vector<ConversionResult> converted(inputs.size());
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    if (exit_status == 0) converted[i].bytes = ReadResult(results[i]);
    if (!converted[i].bytes) {
      converted[i].failure =
          text::Format(text::Translate("{0} failed (exit status {1}): {2}"),
                       text::Format(text::Translate("converting \"{0}\" to {1} with LibreOffice"),
                                    inputs[i].display_name, format),
                       exit_status, LastLines(log, 400));
    }
  }
  return converted;
}

}  // namespace reportword::docx
