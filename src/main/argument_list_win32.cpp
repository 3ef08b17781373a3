#include <windows.h>

#include <shellapi.h>  // needs windows.h first

#include "main/platform.h"
#include "text/unicode.h"

namespace reportword {

// The caller's own command line in UTF-16, split by the system's rules; argv
// would hold it in the ANSI code page and lose characters outside it.
std::vector<std::string> ProgramArguments(int, char**) {
  std::vector<std::string> arguments;
  int count = 0;
  wchar_t** split = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!split) return arguments;
  for (int i = 1; i < count; ++i) {
    const std::wstring_view wide(split[i]);
    arguments.push_back(text::Utf16ToUtf8(
        std::u16string_view(reinterpret_cast<const char16_t*>(wide.data()), wide.size())));
  }
  LocalFree(split);
  return arguments;
}

}  // namespace reportword
