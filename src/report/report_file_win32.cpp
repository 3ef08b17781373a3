#include <windows.h>

#include <algorithm>

#include "job/generation_error.h"
#include "report/report_file.h"
#include "text/failure.h"
#include "text/system_error_text.h"
#include "text/translate.h"
#include "text/utf8_path.h"
#include "wordproc/save_target.h"
#include "wordproc/windows_path.h"

namespace reportword {
namespace {

[[noreturn]] void Fail(const std::string& path, const std::string& what) {
  throw GenerationError(text::Format(text::Translate("report file \"{0}\": {1}"), path, what));
}

[[noreturn]] void FailNotRegular(const std::string& path) {
  throw InputCheckFailure(
      FailedInputCheck::kReportMissing,
      text::Format(text::Translate("report file \"{0}\": is not a regular file"), path));
}

HANDLE AsHandle(std::intptr_t handle) {
  return reinterpret_cast<HANDLE>(handle);
}

}  // namespace

ReportFile::ReportFile(const std::string& path) : path_(path) {
  // A device (a serial port) is not even opened: that alone can set it going.
  if (wordproc::IsDeviceName(text::PathFromUtf8(path))) FailNotRegular(path);
  // Others may go on reading, writing and renaming it: the run reads only as
  // far as the file reached when it was opened. A folder opens too (backup
  // semantics), so that it is told apart from a file that may not be read.
  HANDLE file =
      CreateFileW(wordproc::SystemPath(path).c_str(), GENERIC_READ,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                  FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    Fail(path,
         text::Format(text::Translate("cannot be opened: {0}"), text::WindowsErrorText(error)));
  }
  handle_ = reinterpret_cast<std::intptr_t>(file);
  BY_HANDLE_FILE_INFORMATION info{};
  LARGE_INTEGER size{};
  if (GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !GetFileSizeEx(file, &size)) {
    CloseHandle(file);
    handle_ = -1;
    FailNotRegular(path);
  }
  size_ = static_cast<std::uint64_t>(size.QuadPart);
  identity_ = {info.dwVolumeSerialNumber,
               (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

ReportFile::~ReportFile() {
  if (handle_ != -1) CloseHandle(AsHandle(handle_));
}

std::size_t ReportFile::Read(char* data, std::size_t size) {
  const DWORD wanted = static_cast<DWORD>(
      std::min<std::uint64_t>(std::min<std::size_t>(size, 1u << 30), size_ - offset_));
  if (wanted == 0) return 0;
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset_);
  at.OffsetHigh = static_cast<DWORD>(offset_ >> 32);
  DWORD n = 0;
  if (!ReadFile(AsHandle(handle_), data, wanted, &n, &at)) {
    const DWORD error = GetLastError();
    if (error != ERROR_HANDLE_EOF)
      Fail(path_, text::Format(text::Translate("read error ({0})"), text::WindowsErrorText(error)));
  }
  // A file cut short while it is read ends where it now ends.
  if (n == 0) size_ = offset_;
  offset_ += n;
  return n;
}

}  // namespace reportword
