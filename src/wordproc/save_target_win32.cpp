#include <windows.h>

#include "wordproc/save_target.h"
#include "wordproc/windows_path.h"

namespace reportword::wordproc {

namespace fs = std::filesystem;

namespace {

fs::file_status StatusOfAttributes(DWORD attributes) {
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return fs::file_status(fs::file_type::directory);
  // The read-only attribute is what write protection is on Windows.
  constexpr fs::perms kReadOnly =
      fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
  return fs::file_status(fs::file_type::regular,
                         attributes & FILE_ATTRIBUTE_READONLY ? kReadOnly : fs::perms::all);
}

}  // namespace

// Making a link takes a privilege on Windows (or developer mode), which a
// user who could plant one against another user does not have.
bool LinkIsTrusted(const fs::path&) {
  return true;
}

// The names Windows keeps for devices in every folder, with any extension:
// "NUL", "con.txt", "COM1.docx". Trailing dots and spaces do not count, and
// neither does letter case. Whatever Windows itself resolves to a device path
// counts too, as does a path that names the device namespace ("\\.\").
bool IsDeviceName(const fs::path& file) {
  if (FullPath(file).native().starts_with(L"\\\\.\\")) return true;
  std::wstring name = file.filename().wstring();
  while (!name.empty() && (name.back() == L'.' || name.back() == L' ')) name.pop_back();
  name = name.substr(0, name.find(L'.'));
  while (!name.empty() && name.back() == L' ') name.pop_back();
  for (wchar_t& c : name) {
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
  }
  for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"}) {
    if (name == device) return true;
  }
  // COM1 to COM9 and LPT1 to LPT9, also with the superscript digits ¹ ² ³.
  if (name.size() == 4 && (name.starts_with(L"COM") || name.starts_with(L"LPT"))) {
    const wchar_t digit = name[3];
    return (digit >= L'1' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' ||
           digit == L'\u00B3';
  }
  return false;
}

fs::path ResolvedName(const fs::path& file) {
  return FullPath(file);
}

// Asked of the handle where one can be opened: a name's attributes alone do
// not tell a pipe or a device from a file. Nothing but attributes is asked
// for, so that neither a sharing holder nor the file's access rights stand in
// the way; a device name is not opened at all.
fs::file_status StatusOf(const fs::path& file) {
  if (IsDeviceName(file)) return fs::file_status(fs::file_type::character);
  const std::wstring name = LongPath(FullPath(file));
  HANDLE handle = CreateFileW(name.c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return fs::file_status(fs::file_type::not_found);
    return StatusOfAttributes(attributes);
  }
  const DWORD type = GetFileType(handle);
  BY_HANDLE_FILE_INFORMATION info{};
  const bool known = GetFileInformationByHandle(handle, &info);
  CloseHandle(handle);
  if (type == FILE_TYPE_PIPE) return fs::file_status(fs::file_type::fifo);
  if (type != FILE_TYPE_DISK) return fs::file_status(fs::file_type::character);
  if (!known) return fs::file_status(fs::file_type::unknown);
  return StatusOfAttributes(info.dwFileAttributes);
}

}  // namespace reportword::wordproc
