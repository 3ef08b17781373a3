#include <sys/stat.h>
#include <unistd.h>

#include "wordproc/save_target.h"

namespace reportword::wordproc {

namespace fs = std::filesystem;

bool LinkIsTrusted(const fs::path& link) {
  struct stat link_status {};
  if (::lstat(link.c_str(), &link_status) != 0) return false;
  if (link_status.st_uid == ::geteuid()) return true;
  fs::path folder = link.parent_path();
  if (folder.empty()) folder = ".";
  struct stat folder_status {};
  return ::stat(folder.c_str(), &folder_status) == 0 && folder_status.st_uid == link_status.st_uid;
}

bool IsDeviceName(const fs::path&) {
  return false;
}

fs::path ResolvedName(const fs::path& file) {
  return file;
}

fs::file_status StatusOf(const fs::path& file) {
  std::error_code ec;
  return fs::status(file, ec);
}

}  // namespace reportword::wordproc
