// Shared helpers of the tests: temporary folders, running commands, and the
// checks of generated documents by real clients (the schema validator and
// LibreOffice), which are skipped with a visible note where not installed.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <locale.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace reportword::testing {

namespace fs = std::filesystem;

// A fresh folder below the system's temporary folder, removed afterwards.
class TempDir {
 public:
  TempDir() {
    std::random_device random;
    path_ = fs::temp_directory_path() /
            ("reportword-test-" + std::to_string(random()) + "-" + std::to_string(random()));
    fs::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }
  fs::path operator/(const std::string& name) const { return path_ / name; }

 private:
  fs::path path_;
};

// A file for a child's output, removed afterwards.
struct TempDirOutput {
  fs::path path = fs::temp_directory_path() /
                  ("reportword-output-" + std::to_string(std::random_device()()) + ".txt");
  ~TempDirOutput() {
    std::error_code ec;
    fs::remove(path, ec);
  }
};

struct CommandResult {
  int status = -1;
  std::string output;           // stdout and stderr together
  std::string standard_output;  // stdout alone (RunReportword)
};

// Runs reportword as a calling program does: the first word as it stands,
// then every further word as a path in double quotes. On Windows that is the
// raw command line the program reads; elsewhere each word is one argument.
// LC_ALL is `locale`: English messages and, on Linux, the C locale's month
// names unless a test asks for another.
inline CommandResult RunReportword(const std::vector<fs::path>& words,
                                   const std::string& locale = "C") {
  CommandResult result;
  TempDirOutput output;
  TempDirOutput standard_output;
#ifdef _WIN32
  std::wstring command_line = L"\"" + fs::path(REPORTWORD_EXECUTABLE).wstring() + L"\"";
  for (std::size_t i = 0; i < words.size(); ++i) {
    command_line += i == 0 ? L" " + words[i].wstring() : L" \"" + words[i].wstring() + L"\"";
  }
  // No message box may wait for a click here.
  SetEnvironmentVariableW(L"REPORTWORD_NO_MESSAGE_BOX", L"1");
  SetEnvironmentVariableW(L"LC_ALL", fs::path(locale).wstring().c_str());
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE err = CreateFileW(output.path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  HANDLE out = CreateFileW(standard_output.path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  std::vector<wchar_t> buffer(command_line.begin(), command_line.end());
  buffer.push_back(L'\0');
  if (CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                     &process)) {
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    result.status = static_cast<int>(code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(out);
  CloseHandle(err);
#else
  std::vector<std::string> args = {REPORTWORD_EXECUTABLE};
  for (const fs::path& word : words) args.push_back(word.string());
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  std::vector<std::string> env_strings = {"LC_ALL=" + locale};
  for (char** e = environ; *e; ++e) {
    const std::string entry = *e;
    if (!entry.starts_with("LC_ALL=") && !entry.starts_with("LANGUAGE=")) {
      env_strings.push_back(entry);
    }
  }
  std::vector<char*> envp;
  for (std::string& e : env_strings) envp.push_back(e.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, standard_output.path.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, output.path.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) == 0) {
    int raw = 0;
    waitpid(pid, &raw, 0);
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  }
  posix_spawn_file_actions_destroy(&actions);
#endif
  std::ifstream out_file(standard_output.path, std::ios::binary);
  result.standard_output.assign(std::istreambuf_iterator<char>(out_file), {});
  std::ifstream err_file(output.path, std::ios::binary);
  result.output = result.standard_output;
  result.output.append(std::istreambuf_iterator<char>(err_file), {});
  return result;
}

#ifndef _WIN32
// Runs a shell command (POSIX only: the LibreOffice and resource-limit tests).
inline CommandResult RunCommand(const std::string& command) {
  CommandResult result;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return result;
  std::array<char, 4096> buffer;
  std::size_t n;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
    result.output.append(buffer.data(), n);
  const int raw = ::pclose(pipe);
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return result;
}
#endif

// Whether the system has the locale `name` (Windows knows every locale by name).
inline bool LocaleInstalled(const char* name) {
#ifdef _WIN32
  (void)name;
  return true;
#else
  locale_t loc = newlocale(LC_ALL_MASK, name, static_cast<locale_t>(0));
  if (loc == static_cast<locale_t>(0)) return false;
  freelocale(loc);
  return true;
#endif
}

inline std::string ShellQuote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

inline fs::path SchemaValidator() {
  return fs::path(REPORTWORD_SOURCE_DIR) / ".." / "shared" / "tools" / "docx-validate";
}

// Checks `docx` against the WordprocessingML schemas with the validator beside
// the project (it needs python3-lxml). Where it is absent the test is marked
// skipped, never passed; under CI, which installs it, its absence fails.
inline void ExpectSchemaValid(const fs::path& docx) {
#ifdef _WIN32
  (void)docx;  // the Linux runs of the same tests validate these documents
#else
  if (!fs::exists(SchemaValidator())) {
    if (std::getenv("CI") != nullptr) {
      ADD_FAILURE() << SchemaValidator() << " is missing; CI expects it";
    } else {
      GTEST_SKIP() << SchemaValidator() << " not found; schema validation skipped";
    }
    return;
  }
  CommandResult result =
      RunCommand(ShellQuote(SchemaValidator().string()) + " " + ShellQuote(docx.string()));
  EXPECT_EQ(result.status, 0) << result.output;
#endif
}

#ifndef _WIN32
// Whether a process runs whose whole command line is `command_line` (its
// arguments joined by spaces), read from /proc so that no tool is needed.
inline bool ProcessRunning(const std::string& command_line) {
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator("/proc", ec)) {
    std::ifstream in(entry.path() / "cmdline", std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!text.empty() && text.back() == '\0') text.pop_back();
    std::replace(text.begin(), text.end(), '\0', ' ');
    if (text == command_line) return true;
  }
  return false;
}

inline bool HaveCommand(const std::string& name) {
  return RunCommand("command -v " + name + " >/dev/null").status == 0;
}

// Converts `docx` with LibreOffice to PDF and returns its text (pdftotext),
// or skips the calling test where LibreOffice or poppler is missing.
inline std::string TextThroughLibreOffice(const fs::path& docx, const fs::path& work) {
  fs::create_directories(work / "profile");
  const std::string convert = "soffice --headless --norestore -env:UserInstallation=file://" +
                              (work / "profile").string() + " --convert-to pdf --outdir " +
                              ShellQuote(work.string()) + " " + ShellQuote(docx.string());
  CommandResult converted = RunCommand("timeout 120 " + convert);
  const fs::path pdf = work / (docx.stem().string() + ".pdf");
  if (converted.status != 0 || !fs::exists(pdf)) {
    ADD_FAILURE() << "LibreOffice could not open " << docx << ": " << converted.output;
    return {};
  }
  CommandResult text = RunCommand("pdftotext -layout " + ShellQuote(pdf.string()) + " -");
  EXPECT_EQ(text.status, 0) << text.output;
  return text.output;
}

#define REPORTWORD_REQUIRE_LIBREOFFICE()                                               \
  do {                                                                                 \
    if (!::reportword::testing::HaveCommand("soffice") ||                              \
        !::reportword::testing::HaveCommand("pdftotext")) {                            \
      GTEST_SKIP() << "LibreOffice (soffice) or pdftotext is not installed; run "      \
                      "scripts/install-deps.sh to check documents with a real client"; \
    }                                                                                  \
  } while (0)
#endif

}  // namespace reportword::testing
