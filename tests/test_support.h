// Shared helpers of the tests: temporary folders, running commands, and the
// checks of generated documents by real clients (the schema validator and
// LibreOffice), which are skipped with a visible note where not installed.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "schema_check.h"
#include "text/unicode.h"

#ifdef _WIN32
#include <windows.h>

#include "wordproc/windows_path.h"
#else
#include <locale.h>
#include <sys/wait.h>
#endif

namespace reportword::test {

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

struct CommandResult {
  int status = -1;
  std::string output;           // stdout and stderr together
  std::string standard_output;  // stdout alone (RunReportword)
};

inline std::string ShellQuote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

inline void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Text as UTF-16 in the byte order asked for, after a byte-order mark.
inline std::string Utf16(const std::string& utf8, bool big_endian, bool mark = true) {
  std::u16string units = mark ? u"\uFEFF" : u"";
  for (std::size_t pos = 0; pos < utf8.size();) {
    char32_t cp = 0;
    if (!text::TryDecodeUtf8(utf8, pos, cp)) throw std::invalid_argument("not UTF-8");
    if (cp < 0x10000) {
      units += static_cast<char16_t>(cp);
    } else {
      units += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
      units += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    }
  }
  std::string bytes;
  for (const char16_t unit : units) {
    const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
    bytes += big_endian ? std::string{high, low} : std::string{low, high};
  }
  return bytes;
}

// A child's output file, read and removed.
inline std::string Consume(const fs::path& path) {
  std::string bytes = ReadFile(path);
  std::error_code ec;
  fs::remove(path, ec);
  return bytes;
}

#ifndef _WIN32
// Runs a shell command; its stderr joins its stdout unless `with_stderr` is off.
inline CommandResult RunCommand(const std::string& command, bool with_stderr = true) {
  CommandResult result;
  FILE* pipe = ::popen((command + (with_stderr ? " 2>&1" : "")).c_str(), "r");
  if (!pipe) return result;
  std::array<char, 4096> buffer;
  for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;)
    result.output.append(buffer.data(), n);
  const int raw = ::pclose(pipe);
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return result;
}
#endif

// Runs reportword as a calling program does: the first word as it stands,
// then every further word as a path in double quotes. On Windows that is the
// raw command line the program reads; elsewhere each word is one argument and
// `shell_prefix` (a `cd`, a ulimit) runs first. LC_ALL is `locale`: English
// messages and the C locale's month names unless a test asks for another.
// `executable` is the program run (the Windows-subsystem one, say).
inline CommandResult RunReportword(const std::vector<fs::path>& words,
                                   const std::string& locale = "C",
                                   const std::string& shell_prefix = "",
                                   const fs::path& executable = REPORTWORD_EXECUTABLE) {
  CommandResult result;
  const fs::path err_path =
      fs::temp_directory_path() / ("reportword-err-" + std::to_string(std::random_device()()));
#ifdef _WIN32
  (void)shell_prefix;
  const fs::path out_path = err_path.string() + "-out";
  std::wstring command_line = L"\"" + executable.wstring() + L"\"";
  for (std::size_t i = 0; i < words.size(); ++i) {
    command_line += i == 0 ? L" " + words[i].wstring() : L" \"" + words[i].wstring() + L"\"";
  }
  // No message box may wait for a click here.
  SetEnvironmentVariableW(L"REPORTWORD_NO_MESSAGE_BOX", L"1");
  SetEnvironmentVariableW(L"LC_ALL", fs::path(locale).wstring().c_str());
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE err = CreateFileW(err_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  HANDLE out = CreateFileW(out_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
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
  result.output = Consume(out_path);
#else
  std::string command = shell_prefix + "env -u LANGUAGE LC_ALL=" + ShellQuote(locale) + " " +
                        ShellQuote(executable.string());
  for (const fs::path& word : words) command += " " + ShellQuote(word.string());
  result = RunCommand(command + " 2>" + ShellQuote(err_path.string()), false);
#endif
  result.standard_output = result.output;
  result.output += Consume(err_path);
  return result;
}

// Whether the system has the locale `name` (Windows knows every locale by name).
inline bool LocaleInstalled(const char* name) {
#ifdef _WIN32
  (void)name;
  return true;
#else
  locale_t loc = newlocale(LC_ALL_MASK, name, static_cast<locale_t>(0));
  if (loc != static_cast<locale_t>(0)) freelocale(loc);
  return loc != static_cast<locale_t>(0);
#endif
}

// Checks `docx` against the WordprocessingML and packaging schemas
// (schema_check.h).
inline void ExpectSchemaValid(const fs::path& docx) {
#ifdef _WIN32
  (void)docx;  // the Linux runs of the same tests validate these documents
#else
  const std::vector<std::string> faults = SchemaFaults(docx);
  std::string listed;
  for (const std::string& fault : faults) listed += "\n  " + fault;
  EXPECT_TRUE(faults.empty()) << docx << " is not a valid document:" << listed;
#endif
}

#ifndef _WIN32
// Whether, within five seconds, no process runs whose whole command line is
// `command_line` (read from /proc, so that no tool is needed); a killed
// process can take a moment to disappear.
inline bool ProcessesGone(const std::string& command_line) {
  for (int i = 0; i < 100; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(50))) {
    bool running = false;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator("/proc", ec)) {
      std::string text = ReadFile(entry.path() / "cmdline");
      if (!text.empty() && text.back() == '\0') text.pop_back();
      std::replace(text.begin(), text.end(), '\0', ' ');
      running = running || text == command_line;
    }
    if (!running) return true;
  }
  return false;
}

// Converts `docx` with LibreOffice to PDF and returns its text (pdftotext).
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

#endif

#ifdef _WIN32
// How many names `folder` holds, at any length of its path (MinGW's
// directory iterator reads a long one wrong).
inline int EntriesIn(const fs::path& folder) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((wordproc::LongPath(folder) + L"\\*").c_str(), &found);
  int entries = 0;
  for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found)) {
    const std::wstring name = found.cFileName;
    entries += name != L"." && name != L"..";
  }
  if (search != INVALID_HANDLE_VALUE) FindClose(search);
  return entries;
}

// A folder that a test and its death test's child, which runs the test again
// from its start, share: the first to make one creates it, and the child
// inherits its name through the environment. The test's own removes it.
class SharedFolder {
 public:
  SharedFolder() {
    wchar_t shared[MAX_PATH] = {};
    if (GetEnvironmentVariableW(kVariable, shared, MAX_PATH) > 0) {
      path_ = shared;
      return;
    }
    std::random_device random;
    path_ = fs::temp_directory_path() / ("reportword-test-" + std::to_string(random()));
    fs::create_directories(path_);
    SetEnvironmentVariableW(kVariable, path_.c_str());
  }
  ~SharedFolder() {
    SetEnvironmentVariableW(kVariable, nullptr);
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  SharedFolder(const SharedFolder&) = delete;
  SharedFolder& operator=(const SharedFolder&) = delete;
  const fs::path& path() const { return path_; }
  fs::path operator/(const std::string& name) const { return path_ / name; }

 private:
  static constexpr const wchar_t* kVariable = L"REPORTWORD_TEST_SHARED_FOLDER";
  fs::path path_;
};
#endif

}  // namespace reportword::test
