#include "wordproc/local_file_system.h"

#include <filesystem>
#include <system_error>

namespace reportword::wordproc {

namespace fs = std::filesystem;

bool LocalFileSystem::FileExists(const std::string& path) {
  if (path.empty()) return false;
  std::error_code ec;
  return fs::is_regular_file(fs::u8path(path), ec);
}

}  // namespace reportword::wordproc
