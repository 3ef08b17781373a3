#include <windows.h>

#include <algorithm>

#include "system/template_file.h"
#include "text/failure.h"
#include "text/system_error_text.h"
#include "text/translate.h"
#include "text/utf8_path.h"
#include "wordproc/save_target.h"
#include "wordproc/windows_path.h"

namespace reportword::docx {
namespace {

class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

[[noreturn]] void FailUnreadable(const std::string& path, DWORD error) {
  throw TemplateFailure(
      path, text::Format(text::Translate("cannot be read ({0})"), text::WindowsErrorText(error)));
}

[[noreturn]] void FailNotRegular(const std::string& path) {
  throw TemplateFailure(path, text::Translate("is not a regular file (but a pipe, a device or a "
                                              "socket); name the template file itself"));
}

}  // namespace

std::string ReadTemplateFile(const std::string& path, std::uint64_t max_size,
                             wordproc::FileIdentity* identity) {
  // A device (a serial port) is not even opened: that alone can set it going.
  if (wordproc::IsDeviceName(text::PathFromUtf8(path))) FailNotRegular(path);
  // Others may go on using the template while it is read, as a word processor
  // lets them. A folder opens too (backup semantics), so that it is told
  // apart from a file that may not be read; the type is then taken from this
  // handle, so that what is read is what was looked at.
  const Handle file(CreateFileW(wordproc::SystemPath(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) FailUnreadable(path, GetLastError());
  if (GetFileType(file.get()) != FILE_TYPE_DISK) FailNotRegular(path);
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(file.get(), &info)) FailUnreadable(path, GetLastError());
  if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    throw TemplateFailure(path, text::Translate("is a folder, not a template file"));
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size)) FailUnreadable(path, GetLastError());
  if (static_cast<std::uint64_t>(size.QuadPart) > max_size) {
    throw TemplateFailure(
        path, text::Format(text::Translate("is larger than {0} MiB; refusing to open it"),
                           max_size >> 20));
  }
  *identity = {info.dwVolumeSerialNumber,
               (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
  std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
  std::size_t filled = 0;
  while (filled < bytes.size()) {
    const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - filled, 1u << 30));
    DWORD n = 0;
    if (!ReadFile(file.get(), bytes.data() + filled, wanted, &n, nullptr)) {
      FailUnreadable(path, GetLastError());
    }
    if (n == 0) break;
    filled += n;
  }
  if (filled < bytes.size()) {
    throw TemplateFailure(path, text::Translate("could not be read completely"));
  }
  return bytes;
}

}  // namespace reportword::docx
