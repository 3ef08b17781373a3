#include "system/libreoffice.h"

#include <random>

#include "text/failure.h"
#include "text/system_error_text.h"
#include "text/translate.h"

namespace reportword::docx {

namespace fs = std::filesystem;

ScratchDir::ScratchDir(const fs::path& parent) {
  const fs::path base = parent.empty() ? TemporaryFolder() : parent;
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path candidate = base / (".reportword-" + std::to_string(random()));
    std::error_code ec;
    // create_directory answers false for a folder that is already there.
    if (fs::create_directory(candidate, ec)) {
      fs::permissions(candidate, fs::perms::owner_all, fs::perm_options::replace, ec);
      path_ = candidate;
      RegisterScratchFolder(path_);
      return;
    }
    if (ec) {
      throw Failure(text::Format(
          text::Translate("cannot create a working folder in \"{0}\" ({1}); set TMPDIR to a "
                          "folder where one can be made"),
          base.string(), text::SystemErrorText(ec)));
    }
  }
  throw Failure(
      text::Format(text::Translate("cannot create a working folder in \"{0}\""), base.string()));
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
  ForgetScratchFolder(path_);
}

}  // namespace reportword::docx
