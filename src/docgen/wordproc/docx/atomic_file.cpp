#include "docgen/wordproc/docx/atomic_file.h"

#include "docgen/wordproc/docx/engine_failure.h"
#include "text/translate.h"

namespace reportword::docx {

namespace fs = std::filesystem;

fs::path CheckSaveTarget(const std::string& path) {
  const fs::path target = fs::u8path(path);
  std::error_code ec;
  if (path.empty()) throw SaveError(path, text::Translate("no file name given"));
  if (fs::is_directory(target, ec))
    throw SaveError(path, text::Translate("a folder of that name exists"));
  fs::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  if (!fs::is_directory(folder, ec))
    throw SaveError(path, text::Translate("the folder does not exist"));
  return folder;
}

fs::path TemporaryNamePrefix(const fs::path& target) {
  constexpr std::size_t kKeptBytes = 64;
  std::u8string name = target.filename().u8string();
  if (name.size() > kKeptBytes) {
    std::size_t cut = kKeptBytes;
    while (cut > 0 && (name[cut] & 0xC0) == 0x80) --cut;  // not inside a UTF-8 sequence
    name.resize(cut);
  }
  return fs::path(u8"." + name);
}

}  // namespace reportword::docx
