#include <libintl.h>
#include <locale.h>

#include <filesystem>
#include <system_error>

#include "text/translate.h"

namespace reportword::text {
namespace {

namespace fs = std::filesystem;

constexpr const char* kDomain = "reportword";

// The catalogs that belong to this executable: "locale" beside it in the build
// folder, or the installed folder relative to it (bin/../share/locale), so that
// a staged, packaged or moved installation uses its own. The configured
// installation folder is the last resort where the executable's path is unknown.
std::string CatalogFolder() {
  std::error_code error;
  const fs::path executable = fs::read_symlink("/proc/self/exe", error);
  if (!error) {
    const fs::path folder = executable.parent_path();
    for (const fs::path& candidate :
         {folder / "locale", (folder / REPORTWORD_LOCALEDIR_FROM_BINDIR).lexically_normal()}) {
      if (fs::is_directory(candidate, error)) return candidate.string();
    }
  }
  return REPORTWORD_LOCALEDIR;
}

}  // namespace

void ChooseMessageLanguage() {
  // The message category alone: number formats, character classes and the
  // date's month names (read from LC_TIME by the date code) stay as they are.
  setlocale(LC_MESSAGES, "");
  bindtextdomain(kDomain, CatalogFolder().c_str());
  // Text is UTF-8 throughout the program, whatever the locale's character set.
  bind_textdomain_codeset(kDomain, "UTF-8");
  // System error texts (strerror) are translated from the C library's own
  // catalog and become part of the program's messages.
  bind_textdomain_codeset("libc", "UTF-8");
}

const char* Translate(const char* english) {
  return dgettext(kDomain, english);
}

// gettext translates nothing, its own and the C library's texts included,
// while the message locale is "C".
EnglishMessages::EnglishMessages() {
  const char* current = setlocale(LC_MESSAGES, nullptr);
  previous_ = current != nullptr ? current : "C";
  setlocale(LC_MESSAGES, "C");
}

EnglishMessages::~EnglishMessages() {
  setlocale(LC_MESSAGES, previous_.c_str());
}

}  // namespace reportword::text
