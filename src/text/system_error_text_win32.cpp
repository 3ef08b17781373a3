#include <windows.h>

#include "text/system_error_text.h"
#include "text/translate.h"
#include "text/unicode.h"

namespace reportword::text {
namespace {

// Codes of winerror.h that MinGW's headers lack.
constexpr DWORD kVirusInfected = 225;
constexpr DWORD kVirusDeleted = 226;
constexpr DWORD kDiskQuotaExceeded = 1295;

// The system's text for `code` in the user's Windows language, without the
// line end and full stop it comes with.
std::string SystemText(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::u16string text =
      length > 0 ? std::u16string(reinterpret_cast<const char16_t*>(buffer), length) : u"";
  if (buffer) LocalFree(buffer);
  while (!text.empty() && (text.back() == u'\r' || text.back() == u'\n' || text.back() == u' ' ||
                           text.back() == u'.')) {
    text.pop_back();
  }
  return Utf16ToUtf8(text);
}

}  // namespace

std::string WindowsErrorText(unsigned long code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
      return Translate("no such file or folder");
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
      return Translate("a folder on the path does not exist");
    case ERROR_ACCESS_DENIED:
    case ERROR_NETWORK_ACCESS_DENIED:
    case ERROR_PRIVILEGE_NOT_HELD:
      return Translate("permission denied");
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
      return Translate("another program holds the file open; close it there and run again");
    case ERROR_DELETE_PENDING:
      return Translate("the file is being deleted");
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return Translate("the disk is full");
    case kDiskQuotaExceeded:
      return Translate("the disk quota is used up");
    case ERROR_FILE_TOO_LARGE:
      return Translate("the file is too large");
    case ERROR_WRITE_PROTECT:
      return Translate("the drive is write-protected");
    case ERROR_NOT_READY:
      return Translate("the drive is not ready");
    case ERROR_CRC:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_GEN_FAILURE:
    case ERROR_IO_DEVICE:
      return Translate("input/output error");
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_NETNAME_DELETED:
    case ERROR_UNEXP_NET_ERR:
    case ERROR_NETWORK_UNREACHABLE:
      return Translate("the network path cannot be reached");
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_BUFFER_OVERFLOW:
      return Translate("the name is too long");
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
      return Translate("the name is not valid on Windows");
    case ERROR_DIRECTORY:
      return Translate("a part of the path is not a folder");
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return Translate("a file of that name exists");
    case ERROR_NOT_SAME_DEVICE:
      return Translate("it is on another file system");
    case ERROR_NOT_SUPPORTED:
      return Translate("the file system does not support it");
    case kVirusInfected:
    case kVirusDeleted:
      return Translate("the virus scanner found a virus in it");
    case ERROR_CANT_RESOLVE_FILENAME:
      return Translate("too many levels of links");
    case ERROR_TOO_MANY_OPEN_FILES:
      return Translate("too many open files");
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return Translate("not enough memory");
    case ERROR_INVALID_PARAMETER:
      return Translate("invalid argument");
    default:
      break;
  }
  const std::string system_text = SystemText(code);
  if (system_text.empty()) return Format(Translate("Windows error {0}"), code);
  return Format(Translate("Windows error {0} ({1})"), code, system_text);
}

}  // namespace reportword::text
