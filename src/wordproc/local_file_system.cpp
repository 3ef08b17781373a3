#include "wordproc/local_file_system.h"

#include <filesystem>
#include <system_error>

#include "text/utf8_path.h"
#include "wordproc/save_target.h"

namespace reportword::wordproc {

namespace fs = std::filesystem;

bool LocalFileSystem::FileExists(const std::string& path) {
  if (path.empty()) return false;
  std::error_code ec;
  return fs::is_regular_file(text::PathFromUtf8(path), ec);
}

void LocalFileSystem::CheckSaveTarget(const std::string& path) {
  wordproc::CheckSaveTarget(path);
}

}  // namespace reportword::wordproc
