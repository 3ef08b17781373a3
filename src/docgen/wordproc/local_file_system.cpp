#include "docgen/wordproc/local_file_system.h"

#include <filesystem>
#include <system_error>

namespace reportword::wordproc {

bool LocalFileSystem::FileExists(const std::string& path) {
  if (path.empty()) return false;
  std::error_code ec;
  return std::filesystem::is_regular_file(std::filesystem::u8path(path), ec);
}

}  // namespace reportword::wordproc
