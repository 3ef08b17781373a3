#include <windows.h>

#include <filesystem>
#include <optional>

#include "text/utf8_path.h"
#include "wordproc/local_file_system.h"

namespace reportword::wordproc {
namespace {

namespace fs = std::filesystem;

// What a path names, however it is spelt: an existing file by its volume
// serial number and file index (hard links, junctions and 8.3 names
// included); a file not yet there by its folder's identity plus its name,
// which the file system compares without regard to case.
struct Identity {
  DWORD volume = 0;
  DWORD index_high = 0;
  DWORD index_low = 0;
  std::wstring name;  // empty for an existing file
};

std::optional<Identity> IdentityOfExisting(const fs::path& path) {
  // FILE_FLAG_BACKUP_SEMANTICS opens folders too; no access is asked for.
  HANDLE handle =
      CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool ok = GetFileInformationByHandle(handle, &info);
  CloseHandle(handle);
  if (!ok) return std::nullopt;
  return Identity{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow, L""};
}

std::optional<Identity> NameIdentityOf(const std::string& path) {
  const fs::path file = text::PathFromUtf8(path);
  if (std::optional<Identity> existing = IdentityOfExisting(file)) return existing;
  const fs::path name = file.filename();
  if (name.empty() || name == L"." || name == L"..") return std::nullopt;
  fs::path folder = file.parent_path();
  if (folder.empty()) folder = L".";
  std::optional<Identity> identity = IdentityOfExisting(folder);
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
  const std::optional<Identity> identity = IdentityOfExisting(text::PathFromUtf8(path));
  if (!identity) return std::nullopt;
  return FileIdentity{identity->volume,
                      (std::uint64_t{identity->index_high} << 32) | identity->index_low};
}

bool LocalFileSystem::SameFile(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return false;
  const std::optional<Identity> ia = NameIdentityOf(a);
  const std::optional<Identity> ib = NameIdentityOf(b);
  if (ia && ib) return SameIdentity(*ia, *ib);
  // Unreachable folders: the spelling is all there is to compare.
  std::error_code ec;
  const std::wstring ca =
      fs::weakly_canonical(fs::absolute(text::PathFromUtf8(a), ec), ec).wstring();
  const std::wstring cb =
      fs::weakly_canonical(fs::absolute(text::PathFromUtf8(b), ec), ec).wstring();
  return CompareStringOrdinal(ca.c_str(), static_cast<int>(ca.size()), cb.c_str(),
                              static_cast<int>(cb.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace reportword::wordproc
