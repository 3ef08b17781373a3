// LibreOffice, run headless, as a converter at the edges of the native engine:
// legacy and other templates in, PDF and OpenDocument targets out.
#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "system/conversion_cache.h"
#include "system/signal_cleanup.h"

namespace reportword::docx {

struct ConversionOptions {
  // The converter; a bare name is looked up on PATH when a conversion is
  // needed, never before.
  std::string soffice = REPORTWORD_SOFFICE;
  std::chrono::milliseconds time_limit = std::chrono::seconds(120);
  // Where converted templates are kept between runs; empty keeps none.
  std::filesystem::path cache_folder = UserCacheFolder();
};

// One file to convert: its bytes, the extension it is known by (which
// LibreOffice goes by where no filter is named), and the name the user knows
// it by, for messages.
struct ConversionInput {
  std::string bytes;
  std::string extension;
  std::string display_name;
};

// What a conversion made of one input: its bytes, or the failure naming the
// file, LibreOffice's output and status.
struct ConversionResult {
  std::optional<std::string> bytes;
  std::string failure;
};

// How a template in another format came to be read: the format it is in, and
// whether its conversion came from the cache, or was made now and kept there.
struct TemplateConversion {
  std::string format;  // "Word 97-2003", "Word 6.0/95", "Word for Windows 1/2", "RTF", ...
  bool from_cache = false;
  bool cached = false;
};

class ScratchDir;

// LibreOffice, run headless, as the converter of one run. Every conversion of
// the run uses one private user profile, with LibreOffice's home, temporary
// and XDG folders beside it, so that it writes nothing elsewhere and leaves
// nothing behind; they are made at the first conversion and go with the
// converter. The files of one call are converted in one start.
class Converter {
 public:
  explicit Converter(ConversionOptions options);
  ~Converter();
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts every input to `format` ("docx", "pdf", "odt"). A non-empty
  // `filter` names LibreOffice's import filter, so that a damaged file is
  // refused instead of being guessed to be plain text. Throws Failure
  // only where every input fails alike: LibreOffice missing, not starting, or
  // stopped at the time limit (its whole process group is ended).
  std::vector<ConversionResult> Convert(const std::vector<ConversionInput>& inputs,
                                        const std::string& format, const std::string& filter);
  // How often LibreOffice was started.
  int starts() const { return starts_; }
  const ConversionOptions& options() const { return options_; }

 private:
  ConversionOptions options_;
  std::unique_ptr<ScratchDir> own_;
  int starts_ = 0;
};

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
  // empty); throws Failure when it cannot.
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
