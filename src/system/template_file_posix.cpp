#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "system/template_file.h"
#include "text/failure.h"
#include "text/system_error_text.h"
#include "text/translate.h"

namespace reportword::docx {
namespace {

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

std::string SystemText(int error) {
  return text::SystemErrorText(error);
}

}  // namespace

std::string ReadTemplateFile(const std::string& path, std::uint64_t max_size,
                             wordproc::FileIdentity* identity) {
  // O_NONBLOCK: opening a fifo for reading would otherwise wait for a writer.
  // The type is then taken from this descriptor, so that what is read is what
  // was looked at.
  const Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (file.get() < 0) {
    const int error = errno;
    throw TemplateFailure(path,
                          text::Format(text::Translate("cannot be read ({0})"), SystemText(error)));
  }
  struct stat status {};
  if (::fstat(file.get(), &status) != 0) {
    const int error = errno;
    throw TemplateFailure(path,
                          text::Format(text::Translate("cannot be read ({0})"), SystemText(error)));
  }
  if (S_ISDIR(status.st_mode)) {
    throw TemplateFailure(path, text::Translate("is a folder, not a template file"));
  }
  if (!S_ISREG(status.st_mode)) {
    throw TemplateFailure(path, text::Translate("is not a regular file (but a pipe, a device or a "
                                                "socket); name the template file itself"));
  }
  if (static_cast<std::uint64_t>(status.st_size) > max_size) {
    throw TemplateFailure(
        path, text::Format(text::Translate("is larger than {0} MiB; refusing to open it"),
                           max_size >> 20));
  }
  *identity = {static_cast<std::uint64_t>(status.st_dev),
               static_cast<std::uint64_t>(status.st_ino)};
  std::string bytes(static_cast<std::size_t>(status.st_size), '\0');
  std::size_t filled = 0;
  while (filled < bytes.size()) {
    const ssize_t n = ::read(file.get(), bytes.data() + filled, bytes.size() - filled);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int error = errno;
      throw TemplateFailure(
          path, text::Format(text::Translate("cannot be read ({0})"), SystemText(error)));
    }
    if (n == 0) break;
    filled += static_cast<std::size_t>(n);
  }
  if (filled < bytes.size()) {
    throw TemplateFailure(path, text::Translate("could not be read completely"));
  }
  return bytes;
}

}  // namespace reportword::docx
