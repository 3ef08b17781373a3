#include <windows.h>

#include "job/command_line.h"
#include "main/platform.h"

namespace reportword {

// The caller's own command line, quotes and all, in UTF-16.
std::string ProgramArgumentText(int, char**) {
  const wchar_t* raw = GetCommandLineW();
  const std::wstring_view wide(raw ? raw : L"");
  return ArgumentTextFromWindowsCommandLine(
      std::u16string_view(reinterpret_cast<const char16_t*>(wide.data()), wide.size()));
}

const char* ArgumentLostInTheText(int, char**) {
  return nullptr;
}

}  // namespace reportword
