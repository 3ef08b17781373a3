#include "docx/atomic_file.h"

#include <random>

#include "docx/engine_failure.h"
#include "text/translate.h"
#include "text/utf8_path.h"

namespace reportword::docx {

namespace fs = std::filesystem;

namespace {

// Follows `target` through links to the file a write would reach. A link
// that leads nowhere is refused: creating the file it names would put the
// document somewhere the user did not look.
fs::path FollowLinks(const std::string& path, fs::path target) {
  for (int hops = 0;; ++hops) {
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(target, ec);
    if (!fs::is_symlink(status)) return target;
    if (hops == 40) throw SaveError(path, text::Translate("it is a link in a loop of links"));
    const fs::path next = fs::read_symlink(target, ec);
    if (ec) throw SaveError(path, ec.message());
    target = next.is_absolute() ? next : target.parent_path() / next;
    if (!fs::exists(fs::symlink_status(target, ec))) {
      throw SaveError(path, text::Translate("it is a link to a file that does not exist"));
    }
  }
}

}  // namespace

SaveTarget CheckSaveTarget(const std::string& path) {
  if (path.empty()) throw SaveError(path, text::Translate("no file name given"));
  SaveTarget target;
  target.file = FollowLinks(path, text::PathFromUtf8(path));
  std::error_code ec;
  const fs::file_status status = fs::status(target.file, ec);
  if (fs::is_directory(status))
    throw SaveError(path, text::Translate("a folder of that name exists"));
  target.folder = target.file.parent_path();
  if (target.folder.empty()) target.folder = ".";
  if (!fs::is_directory(target.folder, ec))
    throw SaveError(path, text::Translate("the folder does not exist"));
  target.exists = fs::exists(status);
  // A device, a pipe or a socket would be replaced by a plain file, and
  // /dev/null would become a document.
  if (target.exists && !fs::is_regular_file(status))
    throw SaveError(path, text::Translate("it is not a regular file, so it is not replaced"));
  // A file nobody may write is one its owner protected, as a word processor
  // honours too; the rename alone would not ask.
  constexpr fs::perms kWrite =
      fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
  if (target.exists && (status.permissions() & kWrite) == fs::perms::none)
    throw SaveError(path, text::Translate("the file is write-protected"));
  return target;
}

std::string TemporaryName() {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device random;
  std::string name = ".~rw";
  for (int i = 0; i < 10; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
  return name + ".tmp";
}

}  // namespace reportword::docx
