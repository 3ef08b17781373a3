#include <sys/stat.h>

#include <filesystem>
#include <optional>

#include "text/utf8_path.h"
#include "wordproc/local_file_system.h"

namespace reportword::wordproc {
namespace {

namespace fs = std::filesystem;

// What a path names, however it is spelt: an existing file by its device and
// inode (hard links, bind mounts and links included); a file not yet there
// by its folder's device and inode plus its name. Names are compared as
// bytes: a file system that folds case is caught when document 2 is saved,
// as target 1 then exists.
struct Identity {
  dev_t device = 0;
  ino_t inode = 0;
  std::string name;  // empty for an existing file
  bool operator==(const Identity&) const = default;
};

std::optional<Identity> NameIdentityOf(const std::string& path) {
  const fs::path file = text::PathFromUtf8(path);
  struct stat st {};
  if (::stat(file.c_str(), &st) == 0) return Identity{st.st_dev, st.st_ino, ""};
  // A name that is not there yet: ".." or "." at the end would name a folder.
  const fs::path name = file.filename();
  if (name.empty() || name == "." || name == "..") return std::nullopt;
  fs::path folder = file.parent_path();
  if (folder.empty()) folder = ".";
  if (::stat(folder.c_str(), &st) != 0) return std::nullopt;
  return Identity{st.st_dev, st.st_ino, name.string()};
}

}  // namespace

std::optional<FileIdentity> LocalFileSystem::IdentityOf(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::stat(text::PathFromUtf8(path).c_str(), &st) != 0) return std::nullopt;
  return FileIdentity{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

bool LocalFileSystem::SameFile(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return false;
  const std::optional<Identity> ia = NameIdentityOf(a);
  const std::optional<Identity> ib = NameIdentityOf(b);
  if (ia && ib) return *ia == *ib;
  // Unreachable folders: the spelling is all there is to compare.
  std::error_code ec;
  return fs::weakly_canonical(fs::absolute(text::PathFromUtf8(a), ec), ec) ==
         fs::weakly_canonical(fs::absolute(text::PathFromUtf8(b), ec), ec);
}

}  // namespace reportword::wordproc
