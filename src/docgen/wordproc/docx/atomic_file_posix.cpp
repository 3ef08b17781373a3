#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "docgen/wordproc/docx/atomic_file.h"
#include "docgen/wordproc/docx/engine_failure.h"
#include "text/translate.h"

namespace reportword::docx {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void Fail(const std::string& path, const std::string& what, int error_number) {
  throw SaveError(path, text::Format("{0} ({1})", what, std::strerror(error_number)));
}

class TemporaryFile {
 public:
  explicit TemporaryFile(std::string path) : path_(std::move(path)) {}
  ~TemporaryFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!kept_) ::unlink(path_.c_str());
  }
  int& fd() { return fd_; }
  const std::string& path() const { return path_; }
  void Keep() { kept_ = true; }

 private:
  std::string path_;
  int fd_ = -1;
  bool kept_ = false;
};

// The mode for the new file: the permission bits of the file it replaces, so
// that a document others may read stays readable to them; a new target gets
// the usual 0666 less the umask.
mode_t ModeFor(const fs::path& target) {
  struct stat existing {};
  if (::stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
    return existing.st_mode & 0777;
  }
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// Makes the rename itself durable: until the folder's entry is on disk, a
// machine crash can bring back the old file, or none. Some file systems
// cannot sync a folder and say so with EINVAL or ENOTSUP; they give no other
// way to do it, so that counts as done.
void SyncFolder(const std::string& path, const fs::path& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  // A folder that may be written but not read (mode -wx) cannot be opened for
  // the flush; the file itself is already on disk, so the save stands there,
  // as it does for databases that flush their folders.
  if (fd < 0 && (errno == EACCES || errno == EPERM)) return;
  if (fd < 0) {
    Fail(path,
         text::Translate(
             "the file was replaced, but its folder could not be opened to flush it to disk"),
         errno);
  }
  const int result = ::fsync(fd);
  const int error = errno;
  ::close(fd);
  if (result != 0 && error != EINVAL && error != ENOTSUP && error != EOPNOTSUPP) {
    Fail(path,
         text::Translate("the file was replaced, but its folder could not be flushed to disk"),
         error);
  }
}

}  // namespace

void WriteFileAtomically(const std::string& path, std::string_view bytes) {
  const fs::path target = fs::u8path(path);
  const fs::path folder = CheckSaveTarget(path);
  const mode_t mode = ModeFor(target);

  // mkstemp needs a writable template ending in XXXXXX.
  std::string pattern = (folder / TemporaryNamePrefix(target)).string() + ".XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  int fd = ::mkstemp(name.data());
  if (fd < 0) Fail(path, text::Translate("cannot create a file in its folder"), errno);
  TemporaryFile temp(name.data());
  temp.fd() = fd;

  std::size_t written = 0;
  while (written < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail(path, text::Translate("writing failed"), errno);
    }
    if (n == 0) Fail(path, text::Translate("writing failed"), EIO);
    written += static_cast<std::size_t>(n);
  }
  // mkstemp creates the file 0600.
  if (::fchmod(fd, mode) != 0) Fail(path, text::Translate("cannot set the file mode"), errno);
  if (::fsync(fd) != 0) Fail(path, text::Translate("writing failed"), errno);
  int close_result = ::close(fd);
  temp.fd() = -1;
  if (close_result != 0) Fail(path, text::Translate("writing failed"), errno);
  if (::rename(temp.path().c_str(), target.c_str()) != 0)
    Fail(path, text::Translate("cannot replace the file"), errno);
  temp.Keep();
  SyncFolder(path, folder);
}

}  // namespace reportword::docx
