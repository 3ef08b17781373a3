#include <windows.h>

#include "text/utf8_path.h"
#include "wordproc/windows_path.h"

namespace reportword::wordproc {

namespace fs = std::filesystem;

fs::path FullPath(const fs::path& path) {
  const std::wstring& name = path.native();
  if (name.empty() || name.starts_with(L"\\\\?\\")) return path;
  std::wstring full(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        GetFullPathNameW(name.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0) return path;
    if (length < full.size()) {
      full.resize(length);
      return full;
    }
    full.resize(length);  // the length it needs, with the terminating null
  }
}

std::wstring LongPath(const fs::path& full) {
  const std::wstring& name = full.native();
  if (name.starts_with(L"\\\\?\\") || name.starts_with(L"\\\\.\\")) return name;
  if (name.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + name.substr(2);
  if (name.size() >= 3 && name[1] == L':' && name[2] == L'\\') return L"\\\\?\\" + name;
  return name;
}

std::wstring SystemPath(const std::string& utf8_path) {
  return LongPath(FullPath(text::PathFromUtf8(utf8_path)));
}

}  // namespace reportword::wordproc
