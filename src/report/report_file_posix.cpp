#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "job/generation_error.h"
#include "report/report_file.h"
#include "text/failure.h"
#include "text/system_error_text.h"
#include "text/translate.h"

namespace reportword {
namespace {

[[noreturn]] void Fail(const std::string& path, const std::string& what) {
  throw GenerationError(text::Format(text::Translate("report file \"{0}\": {1}"), path, what));
}

}  // namespace

ReportFile::ReportFile(const std::string& path) : path_(path) {
  // O_NONBLOCK: opening a fifo for reading would otherwise wait for a writer.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    Fail(path,
         text::Format(text::Translate("cannot be opened: {0}"), text::SystemErrorText(error)));
  }
  handle_ = fd;
  struct stat status {};
  if (::fstat(fd, &status) != 0) {
    const int error = errno;
    ::close(fd);
    Fail(path,
         text::Format(text::Translate("cannot be opened: {0}"), text::SystemErrorText(error)));
  }
  if (!S_ISREG(status.st_mode)) {
    ::close(fd);
    throw InputCheckFailure(
        FailedInputCheck::kReportMissing,
        text::Format(text::Translate("report file \"{0}\": is not a regular file"), path));
  }
  // Reads wait for nothing on a regular file; the flag only kept the open
  // from waiting.
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  size_ = static_cast<std::uint64_t>(status.st_size);
  identity_ = {static_cast<std::uint64_t>(status.st_dev),
               static_cast<std::uint64_t>(status.st_ino)};
}

ReportFile::~ReportFile() {
  ::close(static_cast<int>(handle_));
}

std::size_t ReportFile::Read(char* data, std::size_t size) {
  const std::size_t wanted =
      static_cast<std::size_t>(std::min<std::uint64_t>(size, size_ - offset_));
  for (;;) {
    if (wanted == 0) return 0;
    const ssize_t n = ::pread(static_cast<int>(handle_), data, wanted, static_cast<off_t>(offset_));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int error = errno;
      Fail(path_, text::Format(text::Translate("read error ({0})"), text::SystemErrorText(error)));
    }
    // A file cut short while it is read ends where it now ends.
    if (n == 0) size_ = offset_;
    offset_ += static_cast<std::uint64_t>(n);
    return static_cast<std::size_t>(n);
  }
}

}  // namespace reportword
