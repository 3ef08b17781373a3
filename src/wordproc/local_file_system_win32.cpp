#include <windows.h>

#include <filesystem>
#include <optional>

#include "text/utf8_path.h"
#include "wordproc/local_file_system.h"
#include "wordproc/save_target.h"
#include "wordproc/windows_path.h"

namespace reportword::wordproc {
namespace {

namespace fs = std::filesystem;

// What a path names, however it is spelt: an existing file by its volume
// serial number and file index (hard links, junctions and 8.3 names
// included); a file not yet there by its folder's identity plus its name as
// Windows resolves it ("neu.docx . ." is "neu.docx"), which the file system
// compares without regard to case; a device by its device path.
struct Identity {
  DWORD volume = 0;
  DWORD index_high = 0;
  DWORD index_low = 0;
  std::wstring name;  // empty for an existing file
};

std::optional<Identity> IdentityOfExisting(const fs::path& full) {
  // FILE_FLAG_BACKUP_SEMANTICS opens folders too; no access is asked for.
  HANDLE handle =
      CreateFileW(LongPath(full).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool ok =
      GetFileType(handle) == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &info);
  CloseHandle(handle);
  if (!ok) return std::nullopt;
  return Identity{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow, L""};
}

std::optional<Identity> NameIdentityOf(const std::string& path) {
  const fs::path file = FullPath(text::PathFromUtf8(path));
  // Opening a device (a serial port) to compare it could set it in motion.
  if (IsDeviceName(file)) return Identity{0, 0, 0, file.native()};
  if (std::optional<Identity> existing = IdentityOfExisting(file)) return existing;
  const fs::path name = file.filename();
  if (name.empty() || name == L"." || name == L"..") return std::nullopt;
  std::optional<Identity> identity = IdentityOfExisting(file.parent_path());
  if (identity) identity->name = name.wstring();
  return identity;
}

bool SameIdentity(const Identity& a, const Identity& b) {
  if (a.volume != b.volume || a.index_high != b.index_high || a.index_low != b.index_low)
    return false;
  // NTFS compares names through its upper-case table, as this does.
  return CompareStringOrdinal(a.name.c_str(), static_cast<int>(a.name.size()), b.name.c_str(),
                              static_cast<int>(b.name.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace

std::optional<FileIdentity> LocalFileSystem::IdentityOf(const std::string& path) {
  if (path.empty()) return std::nullopt;
  const fs::path file = FullPath(text::PathFromUtf8(path));
  if (IsDeviceName(file)) return std::nullopt;
  const std::optional<Identity> identity = IdentityOfExisting(file);
  if (!identity) return std::nullopt;
  return FileIdentity{identity->volume,
                      (std::uint64_t{identity->index_high} << 32) | identity->index_low};
}

bool LocalFileSystem::SameFile(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return false;
  const std::optional<Identity> ia = NameIdentityOf(a);
  const std::optional<Identity> ib = NameIdentityOf(b);
  if (ia && ib) return SameIdentity(*ia, *ib);
  // Unreachable folders: the spelling, as Windows resolves it, is all there is
  // to compare.
  const std::wstring ca = FullPath(text::PathFromUtf8(a)).native();
  const std::wstring cb = FullPath(text::PathFromUtf8(b)).native();
  return CompareStringOrdinal(ca.c_str(), static_cast<int>(ca.size()), cb.c_str(),
                              static_cast<int>(cb.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace reportword::wordproc
