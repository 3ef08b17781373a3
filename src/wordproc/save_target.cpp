#include "wordproc/save_target.h"

#include "text/failure.h"
#include "text/system_error_text.h"
#include "text/translate.h"
#include "text/utf8_path.h"

namespace reportword::wordproc {

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
    if (hops == 40) throw SaveFailure(path, text::Translate("it is a link in a loop of links"));
    if (!LinkIsTrusted(target)) {
      throw SaveFailure(
          path, text::Format(text::Translate("the link \"{0}\" belongs to another user than you "
                                             "and the folder's owner, so it is not followed"),
                             text::PathToUtf8(target)));
    }
    const fs::path next = fs::read_symlink(target, ec);
    if (ec) throw SaveFailure(path, text::SystemErrorText(ec));
    target = next.is_absolute() ? next : target.parent_path() / next;
    if (!fs::exists(fs::symlink_status(target, ec))) {
      throw SaveFailure(path, text::Translate("it is a link to a file that does not exist"));
    }
  }
}

}  // namespace

SaveTarget CheckSaveTarget(const std::string& path) {
  if (path.empty()) throw SaveFailure(path, text::Translate("no file name given"));
  SaveTarget target;
  target.file = ResolvedName(FollowLinks(path, text::PathFromUtf8(path)));
  // A device would take the document's bytes and keep none of them.
  if (IsDeviceName(target.file))
    throw SaveFailure(path, text::Translate("it is not a regular file, so it is not replaced"));
  const fs::file_status status = StatusOf(target.file);
  if (fs::is_directory(status))
    throw SaveFailure(path, text::Translate("a folder of that name exists"));
  target.folder = target.file.parent_path();
  if (target.folder.empty()) target.folder = ".";
  if (!fs::is_directory(StatusOf(target.folder)))
    throw SaveFailure(path, text::Translate("the folder does not exist"));
  target.exists = fs::exists(status);
  // A device, a pipe or a socket would be replaced by a plain file, and
  // /dev/null would become a document.
  if (target.exists && !fs::is_regular_file(status))
    throw SaveFailure(path, text::Translate("it is not a regular file, so it is not replaced"));
  // A file nobody may write is one its owner protected, as a word processor
  // honours too; the rename alone would not ask.
  constexpr fs::perms kWrite =
      fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
  if (target.exists && (status.permissions() & kWrite) == fs::perms::none)
    throw SaveFailure(path, text::Translate("the file is write-protected"));
  return target;
}

}  // namespace reportword::wordproc
