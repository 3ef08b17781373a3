// Shared helpers of the tests: temporary folders, running commands, and the
// checks of generated documents by real clients (the schema validator and
// LibreOffice), which are skipped with a visible note where not installed.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

namespace reportword::testing {

namespace fs = std::filesystem;

// A fresh folder below the system's temporary folder, removed afterwards.
class TempDir {
 public:
  TempDir() {
    std::random_device random;
    path_ = fs::temp_directory_path() /
            ("reportword-test-" + std::to_string(::getpid()) + "-" + std::to_string(random()));
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
  std::string output;  // stdout and stderr together
};

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

inline std::string ShellQuote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

inline fs::path SchemaValidator() {
  return fs::path(REPORTWORD_SOURCE_DIR) / ".." / "shared" / "tools" / "docx-validate";
}

// Checks `docx` against the WordprocessingML schemas when the validator is
// present beside the project (with python3-lxml installed).
inline void ExpectSchemaValid(const fs::path& docx) {
  static const bool available = [] {
    if (!fs::exists(SchemaValidator())) {
      std::fprintf(stderr, "note: %s not found; schema validation skipped\n",
                   SchemaValidator().c_str());
      return false;
    }
    return true;
  }();
  if (!available) return;
  CommandResult result =
      RunCommand(ShellQuote(SchemaValidator().string()) + " " + ShellQuote(docx.string()));
  EXPECT_EQ(result.status, 0) << result.output;
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

}  // namespace reportword::testing
