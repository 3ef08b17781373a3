#include <windows.h>

#include "wordproc/save_target.h"

namespace reportword::wordproc {

namespace fs = std::filesystem;

// Making a link takes a privilege on Windows (or developer mode), which a
// user who could plant one against another user does not have.
bool LinkIsTrusted(const fs::path&) {
  return true;
}

// The names Windows keeps for devices in every folder, with any extension:
// "NUL", "con.txt", "COM1.docx". Trailing dots and spaces do not count, and
// neither does letter case.
bool IsDeviceName(const fs::path& file) {
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

}  // namespace reportword::wordproc
