#include "docgen/wordproc/local_file_system.h"

#include <filesystem>
#include <system_error>

namespace reportword::wordproc {

namespace fs = std::filesystem;

bool LocalFileSystem::FileExists(const std::string& path) {
  if (path.empty()) return false;
  std::error_code ec;
  return fs::is_regular_file(fs::u8path(path), ec);
}

bool LocalFileSystem::SameFile(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return false;
  const fs::path pa = fs::u8path(a);
  const fs::path pb = fs::u8path(b);
  std::error_code ec;
  // Existing files: same device and inode, which also catches hard links.
  if (fs::exists(pa, ec) && fs::exists(pb, ec)) {
    bool same = fs::equivalent(pa, pb, ec);
    if (!ec) return same;
  }
  const fs::path ca = fs::weakly_canonical(pa, ec);
  if (ec) return false;
  const fs::path cb = fs::weakly_canonical(pb, ec);
  if (ec) return false;
  return ca == cb;
}

}  // namespace reportword::wordproc
