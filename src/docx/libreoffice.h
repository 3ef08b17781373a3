// LibreOffice, run headless, as a converter at the edges of the native engine:
// legacy and other templates in, PDF and OpenDocument targets out.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>

#include "docx/signal_cleanup.h"

namespace reportword::docx {

struct ConversionOptions {
  // The converter; a bare name is looked up on PATH when a conversion is
  // needed, never before.
  std::string soffice = REPORTWORD_SOFFICE;
  std::chrono::milliseconds time_limit = std::chrono::seconds(120);
};

// Converts `input` to `format` ("docx", "pdf", "odt") into `out_dir` and
// returns the bytes of the result. LibreOffice runs with a private user
// profile, and with its home, temporary and XDG folders inside the run's own
// working folder, so that it writes nothing elsewhere and leaves nothing
// behind. A non-empty `input_filter` names LibreOffice's import filter, so
// that a damaged file is refused instead of being guessed to be plain text.
// Messages name the file as `display_name`, the name the user knows. On a
// failure, a time-out (the whole process group is ended) or a missing
// LibreOffice it throws wordproc::Error naming the file, LibreOffice's output
// and status.
std::string ConvertWithLibreOffice(const std::filesystem::path& input, const std::string& format,
                                   const std::filesystem::path& out_dir,
                                   const ConversionOptions& options,
                                   const std::string& input_filter,
                                   const std::string& display_name);

// The converter's path, or "" when it is not installed.
std::string FindSoffice(const ConversionOptions& options);

// The folder below which working folders go: the temporary folder the
// environment names (TMPDIR), as long as LibreOffice can write below it, else
// the system's own.
std::filesystem::path TemporaryFolder();

// A folder that removes itself with everything in it. While it exists, the
// ending signals wait, so that one of them removes it too.
class ScratchDir {
 public:
  // Creates a new, private folder below `parent` (TemporaryFolder() when
  // empty); throws wordproc::Error when it cannot.
  explicit ScratchDir(const std::filesystem::path& parent = {});
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  SignalHold hold_;
  std::filesystem::path path_;
};

}  // namespace reportword::docx
