#include "docgen/wordproc/docx/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "docgen/generation_error.h"

namespace reportword::docx {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void Fail(const std::string& path, const std::string& what, int error_number) {
  std::string message = "cannot save \"" + path + "\": " + what;
  if (error_number != 0) message += " (" + std::string(std::strerror(error_number)) + ")";
  throw GenerationError(message);
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

}  // namespace

void WriteFileAtomically(const std::string& path, std::string_view bytes) {
  const fs::path target = fs::u8path(path);
  std::error_code ec;
  if (path.empty()) Fail(path, "no file name given", 0);
  if (fs::is_directory(target, ec)) Fail(path, "a folder of that name exists", 0);
  fs::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  if (!fs::is_directory(folder, ec)) Fail(path, "the folder does not exist", 0);

  // mkstemp needs a writable template ending in XXXXXX.
  std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  int fd = ::mkstemp(name.data());
  if (fd < 0) Fail(path, "cannot create a file in its folder", errno);
  TemporaryFile temp(name.data());
  temp.fd() = fd;

  std::size_t written = 0;
  while (written < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail(path, "writing failed", errno);
    }
    if (n == 0) Fail(path, "writing failed", EIO);
    written += static_cast<std::size_t>(n);
  }
  // mkstemp creates the file 0600; a saved document gets the usual mode.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  if (::fchmod(fd, 0666 & ~mask) != 0) Fail(path, "cannot set the file mode", errno);
  if (::fsync(fd) != 0) Fail(path, "writing failed", errno);
  int close_result = ::close(fd);
  temp.fd() = -1;
  if (close_result != 0) Fail(path, "writing failed", errno);
  if (::rename(temp.path().c_str(), target.c_str()) != 0)
    Fail(path, "cannot replace the file", errno);
  temp.Keep();
}

}  // namespace reportword::docx
