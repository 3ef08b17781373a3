#include "wordproc/local_file_system.h"

#include <filesystem>

#include "text/utf8_path.h"
#include "wordproc/save_target.h"

namespace reportword::wordproc {

namespace fs = std::filesystem;

bool LocalFileSystem::FileExists(const std::string& path) {
  if (path.empty()) return false;
  return fs::is_regular_file(StatusOf(text::PathFromUtf8(path)));
}

void LocalFileSystem::CheckSaveTarget(const std::string& path) {
  wordproc::CheckSaveTarget(path);
}

}  // namespace reportword::wordproc
